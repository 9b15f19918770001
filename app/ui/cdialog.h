#pragma once
// A modal dialog built from a template of the resource module. Window messages
// reach the dialog through WindowProc, its message map, which calls the virtual
// handlers below; a derived dialog overrides the handlers it maps.
#include <map>
#include <memory>

#include "cmenu.h"
#include "cwnd.h"

class CDialog;

// Binds member control objects to the dialog's controls.
class CDataExchange {
 public:
  explicit CDataExchange(CDialog& dialog) : dialog_(dialog) {}
  CDialog& Dialog() { return dialog_; }

 private:
  CDialog& dialog_;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog, initialises it and runs its modal loop until EndDialog.
  virtual INT_PTR DoModal();
  // Creates and initialises the dialog without running a loop of its own; the
  // caller's loop (or a test) delivers its messages until DestroyWindow.
  BOOL Create();
  void DestroyWindow();
  void EndDialog(INT_PTR result);

  CWnd* GetDlgItem(int id);
  CMenu* GetSystemMenu(BOOL revert);
  HICON SetIcon(HICON icon, BOOL big);
  UINT TemplateId() const { return templateId_; }

  // The message map: WM_COMMAND, WM_SYSCOMMAND, WM_PAINT, WM_CLOSE, WM_QUERYDRAGICON.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

 protected:
  virtual void DoDataExchange(CDataExchange* dx);
  virtual void OnSysCommand(UINT id, LPARAM lParam);
  virtual void OnPaint();
  virtual void OnClose();
  virtual HCURSOR OnQueryDragIcon();

 private:
  friend void DDX_Control(CDataExchange* dx, int id, CWnd& control);

  UINT templateId_;
  std::unique_ptr<ui::DialogPeer> peer_;
  std::map<int, CWnd*> bound_;                      // member controls from DDX_Control
  std::map<int, std::unique_ptr<CWnd>> temporary_;  // other controls asked for by id
  CMenu systemMenu_;
  HICON icons_[2] = {nullptr, nullptr};
  INT_PTR pendingResult_ = 0;
  bool endRequested_ = false;
};
