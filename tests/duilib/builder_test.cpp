// The layout builder: default attribute lists and the callback for elements it does not know.
#include <gtest/gtest.h>

#include <vector>

#include "duilib/UIlib.h"
#include "tests/duilib/skin_fixture.h"

namespace DuiLib {
namespace {

const char* kPage = R"(<?xml version="1.0" encoding="utf-8"?>
<Window>
  <VerticalLayout name="pageRoot">
    <Button name="pageButton" text="页"/>
  </VerticalLayout>
</Window>)";

const char* kMain = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="200,100">
  <Default name="Button" value="textcolor=&quot;#FF112233&quot; width=&quot;70&quot;"/>
  <Default name="Gadget" value="text=&quot;默认&quot; bkcolor=&quot;#FF00FF00&quot;"/>
  <Default name="Label" value=""/>
  <VerticalLayout name="root">
    <Button name="plain"/>
    <Button name="own" width="30" textcolor="#FFABCDEF"/>
    <Gadget name="gadget" bkcolor="#FF0000FF"/>
    <Unknown name="dropped"><Button name="droppedChild"/></Unknown>
    <Label name="after"/>
    <Page/>
    <Label name="last"/>
  </VerticalLayout>
</Window>)";

// Records what it is asked for; "Gadget" becomes a label, "Page" a tree built from page.xml
// into the same manager, anything else nothing.
class RecordingCallback : public IDialogBuilderCallback {
 public:
  explicit RecordingCallback(CPaintManagerUI* pm) : pm_(pm) {}
  CControlUI* CreateControl(LPCTSTR name) override {
    asked.emplace_back(name);
    std::u16string_view n(name);
    if (n == u"Gadget")
      return new CLabelUI;
    if (n == u"Page") {
      CDialogBuilder inner;
      return inner.Create(u"page.xml", nullptr, nullptr, pm_, nullptr);
    }
    return nullptr;
  }
  std::vector<CDuiString> asked;

 private:
  CPaintManagerUI* pm_;
};

class BuilderTest : public ::testing::Test {
 protected:
  void Build(CPaintManagerUI* pm) {
    RecordingCallback cb(pm);
    CDialogBuilder builder;
    root_ = builder.Create(u"main.xml", nullptr, &cb, pm);
    ASSERT_NE(root_, nullptr) << builder.GetLastErrorMessage().ToUtf8();
    asked_ = cb.asked;
    pm->AttachDialog(root_);
  }

  SkinFixture skin_{{{"main.xml", kMain}, {"page.xml", kPage}}};
  CControlUI* root_ = nullptr;
  std::vector<CDuiString> asked_;
};

TEST_F(BuilderTest, DefaultListsApplyFirstAndOwnAttributesWin) {
  CPaintManagerUI pm;
  Build(&pm);
  auto* plain = static_cast<CButtonUI*>(pm.FindControl(u"plain"));
  auto* own = static_cast<CButtonUI*>(pm.FindControl(u"own"));
  ASSERT_TRUE(plain && own);
  EXPECT_EQ(plain->GetTextColor(), 0xFF112233u);
  EXPECT_EQ(plain->GetFixedWidth(), 70);
  EXPECT_EQ(own->GetTextColor(), 0xFFABCDEFu);
  EXPECT_EQ(own->GetFixedWidth(), 30);
  // A custom element takes the list named after its element, then its own attributes.
  CControlUI* gadget = pm.FindControl(u"gadget");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(gadget->GetText(), u"默认");
  EXPECT_EQ(gadget->GetBkColor(), 0xFF0000FFu);
  // An empty list is present, not absent.
  ASSERT_NE(pm.GetDefaultAttributeList(u"Label"), nullptr);
  EXPECT_EQ(CDuiString(pm.GetDefaultAttributeList(u"Label")), u"");
  EXPECT_EQ(pm.GetDefaultAttributeList(u"button"), nullptr);  // names are exact
}

TEST_F(BuilderTest, ChildManagersFindTheParentsDefaultLists) {
  CPaintManagerUI parent;
  parent.AddDefaultAttributeList(u"Menu", u"bkcolor=\"#FF202020\"");
  CPaintManagerUI child;
  child.UseParentResource(&parent);
  ASSERT_NE(child.GetDefaultAttributeList(u"Menu"), nullptr);
  EXPECT_EQ(CDuiString(child.GetDefaultAttributeList(u"Menu")), u"bkcolor=\"#FF202020\"");
  // The child's own list hides the parent's.
  child.AddDefaultAttributeList(u"Menu", u"bkcolor=\"#FF303030\"");
  EXPECT_EQ(CDuiString(child.GetDefaultAttributeList(u"Menu")), u"bkcolor=\"#FF303030\"");
  // A loop in the chain is refused instead of hanging every look-up.
  parent.UseParentResource(&child);
  EXPECT_EQ(parent.GetParentResource(), nullptr);
}

TEST_F(BuilderTest, CallbackBuildsUnknownElementsInDocumentOrder) {
  CPaintManagerUI pm;
  Build(&pm);
  EXPECT_EQ(asked_, (std::vector<CDuiString>{u"Gadget", u"Unknown", u"Page"}));
  // An element the callback declines is skipped with its children; siblings stay in order.
  EXPECT_EQ(pm.FindControl(u"dropped"), nullptr);
  EXPECT_EQ(pm.FindControl(u"droppedChild"), nullptr);
  auto* root = static_cast<CContainerUI*>(pm.FindControl(u"root"));
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->GetCount(), 6);
  EXPECT_EQ(root->GetItemAt(3)->GetName(), u"after");
  EXPECT_EQ(root->GetItemAt(5)->GetName(), u"last");
  // The tree the callback built from another layout sits in place, found by name.
  CControlUI* page = pm.FindControl(u"pageRoot");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(root->GetItemAt(4), page);
  EXPECT_EQ(page->GetParent(), root);
  CControlUI* button = pm.FindControl(u"pageButton");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetParent(), page);
  EXPECT_EQ(button->GetManager(), &pm);
  EXPECT_EQ(static_cast<CButtonUI*>(button)->GetTextColor(), 0xFF112233u);  // main's defaults
}

TEST_F(BuilderTest, BrokenLayoutsFailWithAReason) {
  CPaintManagerUI pm;
  CDialogBuilder builder;
  EXPECT_EQ(builder.Create(u"missing.xml", nullptr, nullptr, &pm), nullptr);
  EXPECT_FALSE(builder.GetLastErrorMessage().IsEmpty());
  EXPECT_EQ(builder.Create(u"<Window><VerticalLayout></Window>", nullptr, nullptr, &pm), nullptr);
  EXPECT_FALSE(builder.GetLastErrorMessage().IsEmpty());
  // A layout given as text works like a file.
  CControlUI* c = builder.Create(u"<Label name='x' text='t'/>", nullptr, nullptr, &pm);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetText(), u"t");
  delete c;
}

}  // namespace
}  // namespace DuiLib
