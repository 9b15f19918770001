#include "wx_controls.h"

#include "app/ui/progress_state.h"
#include "ui_core/resource_module.h"
#include "wx_status_surface.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace ui::wx {

wxString ToWx(const std::string& text) {
  wxString converted = wxString::FromUTF8(text.data(), text.size());
  return converted.empty() && !text.empty() ? wxString::From8BitData(text.data(), text.size()) : converted;
}

std::string FromWx(const wxString& text) { return std::string(text.utf8_str()); }

void WxControl::SetText(const std::string& text) { Window()->SetLabel(ToWx(text)); }
std::string WxControl::GetText() const { return FromWx(Window()->GetLabel()); }

namespace {

class PlainControl : public WxControl {
 public:
  explicit PlainControl(wxWindow* window) : window_(window) {}
  wxWindow* Window() const override { return window_; }

 private:
  wxWindow* window_;
};

class ProgressControl : public WxControl {
 public:
  ProgressControl(wxGauge* gauge, std::string text) : gauge_(gauge), text_(std::move(text)) { Show(); }
  wxWindow* Window() const override { return gauge_; }
  void SetText(const std::string& text) override { text_ = text; }
  std::string GetText() const override { return text_; }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT previous = 0;
    if (message == PBM_SETRANGE)
      previous = state_.SetRange(lParam);
    else if (message == PBM_SETPOS)
      previous = state_.SetPos(static_cast<int>(wParam));
    else
      return 0;
    Show();
    return previous;
  }

 private:
  void Show() {
    gauge_->SetRange(std::max(1, state_.high - state_.low));
    gauge_->SetValue(state_.position - state_.low);
  }
  wxGauge* gauge_;
  std::string text_;
  ProgressState state_;
};

class ChoiceControl : public WxControl {
 public:
  explicit ChoiceControl(wxChoice* choice) : choice_(choice) {}
  wxWindow* Window() const override { return choice_; }
  std::string GetText() const override { return FromWx(choice_->GetStringSelection()); }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM) override {
    if (message == CB_GETCURSEL) return choice_->GetSelection();
    if (message != CB_SETCURSEL) return 0;
    const int index = static_cast<int>(wParam);
    const bool valid = index >= 0 && index < static_cast<int>(choice_->GetCount());
    choice_->SetSelection(valid ? index : wxNOT_FOUND);
    return valid ? index : CB_ERR;
  }

 private:
  wxChoice* choice_;
};

wxWindow* CreateWindow(wxWindow* parent, const ControlTemplate& tmpl, wxPoint pos, wxSize size) {
  const wxWindowID id = tmpl.id > 0 ? tmpl.id : wxID_ANY;
  switch (tmpl.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
      return new wxButton(parent, id, ToWx(tmpl.text), pos, size);
    case ControlKind::Static:
      return new wxStaticText(parent, id, ToWx(tmpl.text), pos, size, wxST_NO_AUTORESIZE | wxALIGN_LEFT);
    case ControlKind::Icon: {
      const IconImage* icon = FindIcon(tmpl.iconId);
      const wxBitmap bitmap = icon ? wxBitmap(icon->large) : wxBitmap(32, 32);
      return new wxStaticBitmap(parent, id, bitmap, pos, bitmap.GetSize());
    }
    default:
      return nullptr;
  }
}

}  // namespace

std::unique_ptr<WxControl> CreateControl(wxWindow* parent, const ControlTemplate& tmpl,
                                         const PixelRect& rect) {
  const wxPoint pos(rect.x, rect.y);
  const wxSize size(rect.width, rect.height);
  switch (tmpl.kind) {
    case ControlKind::Progress:
      return std::make_unique<ProgressControl>(
          new wxGauge(parent, tmpl.id, 100, pos, size, wxGA_HORIZONTAL | wxGA_SMOOTH), tmpl.text);
    case ControlKind::DropDownList: {
      wxArrayString items;
      for (const std::string& item : tmpl.items) items.Add(ToWx(item));
      // The drop-down height in the template is the open list's; closed, it is one row.
      return std::make_unique<ChoiceControl>(new wxChoice(parent, tmpl.id, pos, wxSize(size.x, -1), items));
    }
    case ControlKind::ListBox:
      return std::make_unique<StatusSurfaceControl>(new StatusSurface(parent, tmpl.id, pos, size));
    default: {
      wxWindow* window = CreateWindow(parent, tmpl, pos, size);
      if (tmpl.kind == ControlKind::DefPushButton) static_cast<wxButton*>(window)->SetDefault();
      return std::make_unique<PlainControl>(window);
    }
  }
}

}  // namespace ui::wx
