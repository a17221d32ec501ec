// The observer/receiver pair through which open popup-menu windows know each other: every menu
// window is a receiver of one process-wide observer, and broadcasts through it close menus.
// The menu observer also carries what a root menu hands to its sub-menus: the owner window's
// paint manager (clicks are posted to its window) and the check-state table.
//
// Thread affinity: UI thread only. Ownership: nothing here owns what it refers to; receivers
// leave the observer before they die, the paint manager and the table belong to the owner
// window, which outlives its menus. Failure: null receivers are ignored.
#pragma once

#include <map>
#include <vector>

#include "duilib/ui_string.h"

namespace DuiLib {

class CPaintManagerUI;

// Item name -> checked, owned by the menu's owner window.
using MenuCheckInfo = std::map<CDuiString, bool>;

constexpr DWORD MENU_CLOSE_ALL = 1;
// Closes the menus opened below the menu window given in MenuParam::hWnd.
constexpr DWORD MENU_CLOSE_SUBMENUS = 2;

struct MenuParam {
  DWORD code = 0;
  HWND hWnd = nullptr;
};

class ReceiverImplBase;

class ObserverImplBase {
 public:
  virtual ~ObserverImplBase() = default;
  virtual void AddReceiver(ReceiverImplBase* receiver) = 0;
  virtual void RemoveReceiver(ReceiverImplBase* receiver) = 0;
  // Tells every receiver, the last added first.
  virtual bool BroadcastReverse(MenuParam param) = 0;
};

class ReceiverImplBase {
 public:
  virtual ~ReceiverImplBase() = default;
  virtual void AddObserver(ObserverImplBase* observer) = 0;
  // Leaves every observer it was added to.
  virtual void RemoveObserver() = 0;
  virtual bool Receive(MenuParam param) = 0;
};

class ObserverImpl : public ObserverImplBase {
 public:
  // Walks the receivers in order. Safe while receivers come and go: the length is read again
  // at every step.
  class Iterator {
   public:
    explicit Iterator(const ObserverImpl& observer) : observer_(observer) {}
    // The next receiver, or nullptr at the end.
    ReceiverImplBase* Next();

   private:
    const ObserverImpl& observer_;
    size_t index_ = 0;
  };

  ObserverImpl() = default;
  ObserverImpl(const ObserverImpl&) = delete;
  ObserverImpl& operator=(const ObserverImpl&) = delete;

  // Appends the receiver and adds this observer to it.
  void AddReceiver(ReceiverImplBase* receiver) override;
  // Removes the first entry equal to `receiver`.
  void RemoveReceiver(ReceiverImplBase* receiver) override;
  // Returns false, whatever the receivers answer.
  bool BroadcastReverse(MenuParam param) override;

  size_t GetReceiverCount() const { return receivers_.size(); }

  CPaintManagerUI* GetManager() const { return manager_; }
  void SetManager(CPaintManagerUI* manager) { manager_ = manager; }
  MenuCheckInfo* GetMenuCheckInfo() const { return check_info_; }
  void SetMenuCheckInfo(MenuCheckInfo* info) { check_info_ = info; }

 private:
  std::vector<ReceiverImplBase*> receivers_;
  CPaintManagerUI* manager_ = nullptr;
  MenuCheckInfo* check_info_ = nullptr;
};

class ReceiverImpl : public ReceiverImplBase {
 public:
  void AddObserver(ObserverImplBase* observer) override;
  void RemoveObserver() override;
  bool Receive(MenuParam) override { return false; }

 private:
  std::vector<ObserverImplBase*> observers_;
};

}  // namespace DuiLib
