#pragma once
// The interface between the framework classes and a backend (headless, wx, ...).
// A peer is the backend's side of one window: a dialog or one of its controls.
// Every call happens on the user-interface thread.
#include <memory>
#include <string>

#include "text_surface.h"
#include "ui_core/dialog_template.h"
#include "ui_core/ui_winapi.h"

class CDialog;

namespace ui {

class WindowPeer {
 public:
  virtual ~WindowPeer() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
};

class ControlPeer : public WindowPeer {
 public:
  // PBM_SETRANGE, PBM_SETPOS, CB_GETCURSEL and CB_SETCURSEL; 0 for any other.
  virtual LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Marks the whole control for repainting; erase blanks what was drawn on it.
  virtual void Invalidate(bool erase) = 0;
  // Repaints the control now if it was marked.
  virtual void Update() = 0;
  // Draws text on the control; it shows at once.
  virtual void DrawText(const TextRun& run) = 0;
};

class DialogPeer : public WindowPeer {
 public:
  // nullptr when the template has no control with that identifier.
  virtual ControlPeer* Control(int id) = 0;
  virtual void SetIcon(HICON icon, bool big) = 0;
  virtual void SetFocus(int controlId) = 0;
  // Runs the dialog's modal loop; returns the result given to EndModal.
  virtual INT_PTR RunModal() = 0;
  virtual void EndModal(INT_PTR result) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // Creates the dialog and its controls from the template, not yet shown.
  virtual std::unique_ptr<DialogPeer> CreatePeer(const DialogTemplate& tmpl, CDialog& owner) = 0;
};

// Installs the backend that creates every dialog from now on; returns the previous one.
Backend* SetBackend(Backend* backend);
Backend* CurrentBackend();

}  // namespace ui
