// WindowImplBase: a framework window built from a skin layout. On WM_CREATE it reads the
// layout named by GetSkinFile from the skin folder or zip archive, attaches it, registers
// itself as notifier and message filter, calls InitWindow and sends "windowinit". The
// layout's caption area drags the window; round corners shape it.
//
// Thread affinity: UI thread. Ownership: the paint manager (and so the control tree) is a
// member and dies with the object. Failure: a layout that cannot be built makes WM_CREATE
// fail (the window is not created) and shows a message box naming the file.
#pragma once

#include "duilib/dialog_builder.h"
#include "duilib/paint_manager.h"
#include "duilib/window_wnd.h"

namespace DuiLib {

enum UILIB_RESOURCETYPE {
  UILIB_FILE = 1,
  UILIB_ZIP = 2,
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  virtual void InitWindow() {}
  virtual void OnFinalMessage(HWND hwnd) override;
  void Notify(TNotifyUI& msg) override;
  CPaintManagerUI& GetPaintManager() { return m_PaintManager; }

 protected:
  virtual CDuiString GetSkinFolder() = 0;
  virtual CDuiString GetSkinFile() = 0;
  LPCTSTR GetWindowClassName() const override = 0;
  virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_FILE; }
  virtual CDuiString GetZIPFileName() const { return {}; }
  virtual LPCTSTR GetResourceID() const { return u""; }
  CControlUI* CreateControl(LPCTSTR) override { return nullptr; }
  virtual void OnClick(TNotifyUI&) {}
  // Messages the base does not handle itself; set `handled` to stop the default processing.
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LONG GetStyle();

  LRESULT MessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) override;
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;

  virtual LRESULT OnCreate(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnClose(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSize(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseMove(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKeyDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);

  CPaintManagerUI m_PaintManager;

 private:
  // Whether a press at `pt` (client coordinates) starts moving the window.
  bool InCaption(POINT pt) const;

  bool m_bDragging = false;
  POINT m_ptDragStart{};
  POINT m_ptWindowStart{};
};

}  // namespace DuiLib
