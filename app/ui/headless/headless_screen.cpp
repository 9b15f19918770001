#include "headless_screen.h"

#include <utility>

#include "app/ui/cdialog.h"
#include "app/ui/progress_state.h"

namespace ui::headless {

class Screen::ControlPeerImpl : public ControlPeer {
 public:
  ControlPeerImpl(Screen& screen, UINT dialogId, int id) : screen_(screen), dialogId_(dialogId), id_(id) {}

  void SetText(const std::string& text) override {
    With([&](ControlRecord& r) { r.text = text; });
  }
  std::string GetText() const override {
    std::lock_guard lock(screen_.mutex_);
    return Record().text;
  }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    With([&](ControlRecord& r) { result = Apply(r, message, wParam, lParam); });
    return result;
  }
  void Invalidate(bool erase) override {
    if (erase) With([](ControlRecord& r) { r.surface.Blank(); });
  }
  void Update() override {}
  void DrawText(const TextRun& run) override {
    With([&](ControlRecord& r) { r.surface.Draw(run); });
  }

 private:
  static LRESULT Apply(ControlRecord& r, UINT message, WPARAM wParam, LPARAM lParam) {
    ProgressState progress{r.rangeLow, r.rangeHigh, r.position};
    switch (message) {
      case PBM_SETRANGE: {
        const LRESULT previous = progress.SetRange(lParam);
        r.rangeLow = progress.low;
        r.rangeHigh = progress.high;
        r.position = progress.position;
        return previous;
      }
      case PBM_SETPOS: {
        const LRESULT previous = progress.SetPos(static_cast<int>(wParam));
        r.position = progress.position;
        r.positions.push_back(r.position);
        return previous;
      }
      case CB_GETCURSEL:
        return r.selection;
      case CB_SETCURSEL:
        return SetSelection(r, static_cast<int>(wParam));
      default:
        return 0;
    }
  }
  static LRESULT SetSelection(ControlRecord& r, int index) {
    if (index < 0 || index >= static_cast<int>(r.items.size())) {
      r.selection = -1;
      return CB_ERR;
    }
    r.selection = index;
    return index;
  }
  template <typename F>
  void With(F&& change) {
    std::lock_guard lock(screen_.mutex_);
    change(Record());
  }
  ControlRecord& Record() const { return screen_.dialogs_.at(dialogId_).controls.at(id_); }

  Screen& screen_;
  UINT dialogId_;
  int id_;
};

class Screen::DialogPeerImpl : public DialogPeer {
 public:
  DialogPeerImpl(Screen& screen, const DialogTemplate& tmpl) : screen_(screen), id_(tmpl.id) {
    for (const ControlTemplate& control : tmpl.controls)
      controls_.emplace(control.id, std::make_unique<ControlPeerImpl>(screen, tmpl.id, control.id));
  }
  ~DialogPeerImpl() override {
    std::lock_guard lock(screen_.mutex_);
    screen_.dialogs_.at(id_).open = false;
    screen_.stack_.pop_back();
  }

  void SetText(const std::string& text) override {
    std::lock_guard lock(screen_.mutex_);
    Record().title = text;
  }
  std::string GetText() const override {
    std::lock_guard lock(screen_.mutex_);
    return Record().title;
  }
  ControlPeer* Control(int id) override {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second.get();
  }
  void SetIcon(HICON icon, bool big) override {
    std::lock_guard lock(screen_.mutex_);
    Record().icons[big ? 1 : 0] = icon;
  }
  void SetFocus(int controlId) override {
    std::lock_guard lock(screen_.mutex_);
    Record().focus = controlId;
  }
  // Delivers queued actions until the dialog ends; with nobody left to act, the
  // dialog returns -1.
  INT_PTR RunModal() override {
    while (!Ended() && screen_.PumpOne()) {
    }
    std::lock_guard lock(screen_.mutex_);
    return Record().ended ? Record().result : -1;
  }
  void EndModal(INT_PTR result) override {
    std::lock_guard lock(screen_.mutex_);
    Record().ended = true;
    Record().result = result;
  }

 private:
  bool Ended() const {
    std::lock_guard lock(screen_.mutex_);
    return Record().ended;
  }
  DialogRecord& Record() const { return screen_.dialogs_.at(id_); }

  Screen& screen_;
  UINT id_;
  std::map<int, std::unique_ptr<ControlPeerImpl>> controls_;
};

Screen::Screen()
    : previousBackend_(SetBackend(this)),
      previousPump_(SetMessagePump([this] { return PumpOne(); })),
      previousBoxHandler_(
          SetMessageBoxHandler([this](const char* text, UINT) { return ShowMessageBox(text); })) {}

Screen::~Screen() {
  SetMessageBoxHandler(std::move(previousBoxHandler_));
  SetMessagePump(std::move(previousPump_));
  SetBackend(previousBackend_);
}

std::unique_ptr<DialogPeer> Screen::CreatePeer(const DialogTemplate& tmpl, CDialog& owner) {
  {
    std::lock_guard lock(mutex_);
    DialogRecord record;
    record.templateId = tmpl.id;
    record.title = tmpl.caption;
    record.open = true;
    record.timesOpened = dialogs_.count(tmpl.id) ? dialogs_[tmpl.id].timesOpened + 1 : 1;
    for (const ControlTemplate& control : tmpl.controls) {
      ControlRecord& c = record.controls[control.id];
      c.text = control.text;
      c.items = control.items;
    }
    dialogs_[tmpl.id] = std::move(record);
    stack_.push_back(&owner);
  }
  return std::make_unique<DialogPeerImpl>(*this, tmpl);
}

DialogRecord Screen::Snapshot(UINT templateId) const {
  std::lock_guard lock(mutex_);
  auto it = dialogs_.find(templateId);
  return it == dialogs_.end() ? DialogRecord{} : it->second;
}

bool Screen::IsOpen(UINT templateId) const { return Snapshot(templateId).open; }

std::vector<std::string> Screen::MessageBoxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

bool Screen::WaitForMessageBoxes(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return boxShown_.wait_for(lock, timeout, [&] { return boxes_.size() >= count; });
}

int Screen::ShowMessageBox(const char* text) {
  {
    std::lock_guard lock(mutex_);
    boxes_.emplace_back(text ? text : "");
  }
  boxShown_.notify_all();
  return IDOK;
}

void Screen::Post(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(action));
}

bool Screen::PumpOne() {
  std::function<void()> action;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    action = std::move(queue_.front());
    queue_.pop_front();
  }
  action();
  return true;
}

CDialog* Screen::TopDialog() const {
  std::lock_guard lock(mutex_);
  return stack_.empty() ? nullptr : stack_.back();
}

void Screen::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
  if (CDialog* dialog = TopDialog()) dialog->WindowProc(message, wParam, lParam);
}

void Screen::PostCommand(int id) {
  Post([this, id] { Press(id); });
}
void Screen::PostClose() {
  Post([this] { Close(); });
}
void Screen::PostPaint() {
  Post([this] { Paint(); });
}
void Screen::PostSysCommand(UINT id) {
  Post([this, id] { SysCommand(id); });
}
void Screen::PostSelect(int id, int index) {
  Post([this, id, index] { Select(id, index); });
}

void Screen::Press(int id) { Deliver(WM_COMMAND, static_cast<WPARAM>(id), 0); }
void Screen::Close() { Deliver(WM_CLOSE, 0, 0); }
void Screen::Paint() { Deliver(WM_PAINT, 0, 0); }
void Screen::SysCommand(UINT id) { Deliver(WM_SYSCOMMAND, id, 0); }

bool Screen::Select(int id, int index) {
  CDialog* dialog = TopDialog();
  if (!dialog) return false;
  std::lock_guard lock(mutex_);
  ControlRecord& control = dialogs_.at(dialog->TemplateId()).controls.at(id);
  if (index < 0 || index >= static_cast<int>(control.items.size())) return false;
  control.selection = index;
  return true;
}

void Screen::AddItem(int id, const std::string& text) {
  CDialog* dialog = TopDialog();
  if (!dialog) return;
  std::lock_guard lock(mutex_);
  dialogs_.at(dialog->TemplateId()).controls.at(id).items.push_back(text);
}

}  // namespace ui::headless
