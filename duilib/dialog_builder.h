// CDialogBuilder: builds a control tree from an XML layout (a file in the skin archive, or XML
// text starting with '<'). The root <Window> element's attributes, fonts, default attribute
// lists and images go to the paint manager; elements the framework does not know go to the
// builder callback. Children are added before an element's own attributes apply, so a tab
// layout's `selectedid` can name a page.
//
// Thread affinity: UI thread. Ownership: the returned tree belongs to the caller (usually handed
// to AttachDialog or added to a parent container). Failure: nullptr when the layout cannot be
// read or parsed (GetLastErrorMessage says why); unknown elements are skipped.
#pragma once

#include <memory>
#include <vector>

#include "duilib/paint_manager.h"

namespace DuiLib {

struct MarkupNode;

class CDialogBuilder {
 public:
  CDialogBuilder();
  ~CDialogBuilder();

  CControlUI* Create(LPCTSTR xml,
                     LPCTSTR type = nullptr,
                     IDialogBuilderCallback* callback = nullptr,
                     CPaintManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  // Builds again from the layout loaded by the last Create.
  CControlUI* Create(IDialogBuilderCallback* callback = nullptr,
                     CPaintManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  const CDuiString& GetLastErrorMessage() const { return m_error; }

  // A new control for a built-in class name ("Button", "VerticalLayout", ...), or nullptr.
  static CControlUI* CreateBuiltinControl(std::u16string_view class_name);

 private:
  bool Load(LPCTSTR xml);
  CControlUI* Parse(const MarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);

  std::unique_ptr<MarkupNode> m_root;
  IDialogBuilderCallback* m_pCallback = nullptr;
  CDuiString m_error;
  int m_depth = 0;
};

}  // namespace DuiLib
