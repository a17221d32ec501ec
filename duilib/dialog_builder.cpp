#include "duilib/dialog_builder.h"

#include <QXmlStreamReader>

#include "duilib/button.h"
#include "duilib/container.h"
#include "duilib/edit.h"
#include "duilib/label.h"
#include "duilib/list.h"
#include "duilib/qr_code.h"
#include "duilib/qt_convert.h"
#include "duilib/resources.h"
#include "duilib/web_browser.h"

namespace DuiLib {

struct MarkupNode {
  CDuiString name;
  std::vector<std::pair<CDuiString, CDuiString>> attributes;
  std::vector<std::unique_ptr<MarkupNode>> children;

  const CDuiString* Attr(std::u16string_view key) const {
    for (const auto& [k, v] : attributes) {
      if (k.view() == key)
        return &v;
    }
    return nullptr;
  }
};

namespace {

constexpr int kMaxIncludeDepth = 8;

std::unique_ptr<MarkupNode> ParseXml(const QByteArray& data, CDuiString* error) {
  QXmlStreamReader xml(data);
  std::unique_ptr<MarkupNode> root;
  std::vector<MarkupNode*> stack;
  while (!xml.atEnd()) {
    QXmlStreamReader::TokenType t = xml.readNext();
    if (t == QXmlStreamReader::StartElement) {
      auto node = std::make_unique<MarkupNode>();
      node->name = FromQt(xml.name().toString());
      for (const QXmlStreamAttribute& a : xml.attributes())
        node->attributes.emplace_back(FromQt(a.name().toString()), FromQt(a.value().toString()));
      MarkupNode* raw = node.get();
      if (stack.empty()) {
        if (root)
          break;
        root = std::move(node);
      } else {
        stack.back()->children.push_back(std::move(node));
      }
      stack.push_back(raw);
    } else if (t == QXmlStreamReader::EndElement) {
      if (!stack.empty())
        stack.pop_back();
    }
  }
  if (xml.hasError()) {
    *error = FromQt(QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString()));
    return nullptr;
  }
  if (!root)
    *error = u"empty layout";
  return root;
}

void ApplyWindowAttributes(const MarkupNode& node, CPaintManagerUI* pm) {
  for (const auto& [key, value] : node.attributes) {
    SIZE sz;
    RECT rc;
    DWORD c;
    std::u16string_view k = key.view();
    if (k == u"size" && ParseSize(value.view(), &sz))
      pm->SetInitSize(sz.cx, sz.cy);
    else if (k == u"caption" && ParseRect(value.view(), &rc))
      pm->SetCaptionRect(rc);
    else if (k == u"roundcorner" && ParseSize(value.view(), &sz))
      pm->SetRoundCorner(sz.cx, sz.cy);
    else if (k == u"mininfo" && ParseSize(value.view(), &sz))
      pm->SetMinInfo(sz.cx, sz.cy);
    else if (k == u"maxinfo" && ParseSize(value.view(), &sz))
      pm->SetMaxInfo(sz.cx, sz.cy);
    else if (k == u"sizebox" && ParseRect(value.view(), &rc))
      pm->SetSizeBox(rc);
    else if (k == u"showshadow")
      pm->SetShowShadow(ParseBool(value.view()));
    else if (k == u"disabledfontcolor" && ParseColor(value.view(), &c))
      pm->SetDefaultDisabledColor(c);
    else if (k == u"defaultfontcolor" && ParseColor(value.view(), &c))
      pm->SetDefaultFontColor(c);
  }
}

void AddFontFrom(const MarkupNode& node, CPaintManagerUI* pm) {
  int id = -1, size = 12;
  if (const CDuiString* v = node.Attr(u"id"))
    ParseInt(v->view(), &id);
  if (const CDuiString* v = node.Attr(u"size"))
    ParseInt(v->view(), &size);
  auto flag = [&node](std::u16string_view k) {
    const CDuiString* v = node.Attr(k);
    return v && ParseBool(v->view());
  };
  const CDuiString* name = node.Attr(u"name");
  pm->AddFont(id, name ? name->GetData() : u"", size, flag(u"bold"), flag(u"underline"),
              flag(u"italic"), flag(u"default"));
}

}  // namespace

CDialogBuilder::CDialogBuilder() = default;
CDialogBuilder::~CDialogBuilder() = default;

CControlUI* CDialogBuilder::CreateBuiltinControl(std::u16string_view n) {
  if (n == u"Control")
    return new CControlUI;
  if (n == u"Container")
    return new CContainerUI;
  if (n == u"VerticalLayout")
    return new CVerticalLayoutUI;
  if (n == u"HorizontalLayout")
    return new CHorizontalLayoutUI;
  if (n == u"TabLayout")
    return new CTabLayoutUI;
  if (n == u"Label")
    return new CLabelUI;
  if (n == u"Text")
    return new CTextUI;
  if (n == u"Button")
    return new CButtonUI;
  if (n == u"Option")
    return new COptionUI;
  if (n == u"CheckBox")
    return new CCheckBoxUI;
  if (n == u"Edit")
    return new CEditUI;
  if (n == u"List")
    return new CListUI;
  if (n == u"ListHeader")
    return new CListHeaderUI;
  if (n == u"ListHeaderItem")
    return new CListHeaderItemUI;
  if (n == u"ListTextElement")
    return new CListTextElementUI;
  if (n == u"ListContainerElement")
    return new CListContainerElementUI;
  if (n == u"ActiveX")
    return new CActiveXUI;
  if (n == u"WebBrowser")
    return new CWebBrowserUI;
  if (n == u"QrCode")
    return new CQrCodeUI;
  return nullptr;
}

bool CDialogBuilder::Load(LPCTSTR xml_p) {
  CDuiString xml(xml_p);
  m_root.reset();
  m_error.Empty();
  CDuiString trimmed = xml.Trimmed();
  QByteArray data;
  if (!trimmed.IsEmpty() && trimmed[0] == u'<') {
    data = QByteArray::fromStdString(xml.ToUtf8());
  } else if (!Resources::Read(xml, &data)) {
    m_error = CDuiString(u"cannot read ") + xml;
    return false;
  }
  m_root = ParseXml(data, &m_error);
  return m_root != nullptr;
}

CControlUI* CDialogBuilder::Create(LPCTSTR xml,
                                   LPCTSTR,
                                   IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager,
                                   CControlUI* parent) {
  if (!Load(xml))
    return nullptr;
  return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager,
                                   CControlUI* parent) {
  if (!m_root)
    return nullptr;
  m_pCallback = callback;
  const MarkupNode& root = *m_root;
  if (root.name.view() != u"Window")
    return Parse(root, parent, manager);
  if (manager) {
    ApplyWindowAttributes(root, manager);
    for (const auto& child : root.children) {
      std::u16string_view n = child->name.view();
      if (n == u"Font") {
        AddFontFrom(*child, manager);
      } else if (n == u"Default") {
        const CDuiString* name = child->Attr(u"name");
        const CDuiString* value = child->Attr(u"value");
        if (name && value)
          manager->AddDefaultAttributeList(*name, *value);
      } else if (n == u"Image") {
        if (const CDuiString* name = child->Attr(u"name"))
          manager->GetImageEx(*name);
      }
    }
  }
  for (const auto& child : root.children) {
    std::u16string_view n = child->name.view();
    if (n == u"Font" || n == u"Default" || n == u"Image")
      continue;
    return Parse(*child, parent, manager);
  }
  return nullptr;
}

CControlUI* CDialogBuilder::Parse(const MarkupNode& node,
                                  CControlUI* parent,
                                  CPaintManagerUI* manager) {
  std::u16string_view cls = node.name.view();
  if (cls == u"Include") {
    const CDuiString* source = node.Attr(u"source");
    if (!source || m_depth >= kMaxIncludeDepth)
      return nullptr;
    CDialogBuilder inner;
    inner.m_depth = m_depth + 1;
    return inner.Create(*source, nullptr, m_pCallback, manager, parent);
  }
  CControlUI* control = CreateBuiltinControl(cls);
  if (!control && m_pCallback)
    control = m_pCallback->CreateControl(node.name);
  if (!control)
    return nullptr;
  for (const auto& child : node.children)
    Parse(*child, control, manager);
  if (parent) {
    auto* container = static_cast<CContainerUI*>(parent->GetInterface(u"IContainer"));
    if (!container || !container->Add(control)) {
      delete control;
      return nullptr;
    }
  }
  if (manager) {
    control->SetManager(manager, parent, false);
    if (LPCTSTR defaults = manager->GetDefaultAttributeList(node.name))
      control->ApplyAttributeList(defaults);
  }
  for (const auto& [key, value] : node.attributes)
    control->SetAttribute(key, value);
  return control;
}

}  // namespace DuiLib
