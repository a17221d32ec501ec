#include "duilib/qr_code.h"

#include <qrencode.h>

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <memory>

#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"

namespace DuiLib {

namespace {

struct QrFree {
  void operator()(QRcode* code) const { QRcode_free(code); }
  void operator()(QRinput* input) const { QRinput_free(input); }
};

// The designator of UTF-8 among the extended channel interpretations.
constexpr unsigned kEciUtf8 = 26;

// Without a designator, readers take bytes as ISO 8859-1 or guess (Shift JIS is a common
// guess), which turns Chinese names into other characters. ASCII needs none, and leaving it
// out keeps such codes readable by the oldest readers too.
bool NeedsUtf8Designator(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::unique_ptr<QRcode, QrFree> Encode(std::string_view bytes) {
  std::unique_ptr<QRinput, QrFree> input(QRinput_new2(0, QR_ECLEVEL_L));
  if (!input)
    return nullptr;
  if (NeedsUtf8Designator(bytes) && QRinput_appendECIheader(input.get(), kEciUtf8) != 0)
    return nullptr;
  if (QRinput_append(input.get(), QR_MODE_8, static_cast<int>(bytes.size()),
                     reinterpret_cast<const unsigned char*>(bytes.data())) != 0)
    return nullptr;
  return std::unique_ptr<QRcode, QrFree>(QRcode_encodeInput(input.get()));
}

}  // namespace

CQrCodeUI::CQrCodeUI() {
  m_uTextStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
}

LPVOID CQrCodeUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"QrCode"))
    return this;
  return CLabelUI::GetInterface(name);
}

bool CQrCodeUI::SetPayload(std::string_view utf8) {
  if (utf8 == m_payload)
    return true;
  m_payload.clear();
  m_modules = 0;
  m_image = QImage();
  Invalidate();
  if (utf8.empty())
    return true;
  const std::unique_ptr<QRcode, QrFree> code = Encode(utf8);
  if (!code || code->width <= 0)
    return false;
  const int n = code->width;
  const int side = n + 2 * kQuietZoneModules;
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      // Bit 0 of each byte is the module's colour; the others say what the module is for.
      if (code->data[y * n + x] & 1)
        image.setPixel(x + kQuietZoneModules, y + kQuietZoneModules, qRgb(0, 0, 0));
    }
  }
  m_payload.assign(utf8);
  m_modules = n;
  m_image = std::move(image);
  return true;
}

bool CQrCodeUI::IsDarkModule(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_modules || y >= m_modules)
    return false;
  return qGray(m_image.pixel(x + kQuietZoneModules, y + kQuietZoneModules)) < 128;
}

int CQrCodeUI::CaptionHeight() const {
  if (m_sText.IsEmpty() || !m_pManager)
    return 0;
  QFontMetrics fm(m_pManager->GetFont(m_iFont));
  return fm.height() + 4 + m_rcTextPadding.top + m_rcTextPadding.bottom;
}

int CQrCodeUI::GetModulePixels() const {
  if (m_modules == 0)
    return 0;
  const int room = std::min(GetWidth(), GetHeight() - CaptionHeight());
  return std::max(room, 0) / (m_modules + 2 * kQuietZoneModules);
}

RECT CQrCodeUI::GetCodeRect() const {
  const int scale = GetModulePixels();
  if (scale == 0)
    return RECT{};
  const int side = scale * (m_modules + 2 * kQuietZoneModules);
  // The code and its caption are centred together.
  const int left = m_rcItem.left + (GetWidth() - side) / 2;
  const int top = m_rcItem.top + (GetHeight() - side - CaptionHeight()) / 2;
  return RECT{left, top, left + side, top + side};
}

void CQrCodeUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  if (name == u"payload")
    SetPayload(CDuiString(value_p ? value_p : u"").ToUtf8());
  else
    CLabelUI::SetAttribute(name_p, value_p);
}

void CQrCodeUI::PaintStatusImage(HDC dc) {
  const RECT rc = GetCodeRect();
  if (!dc || rc.right <= rc.left)
    return;
  dc->save();
  // Whole pixels per module and no filtering: blurred module edges are what cameras misread.
  dc->setRenderHint(QPainter::SmoothPixmapTransform, false);
  dc->setRenderHint(QPainter::Antialiasing, false);
  dc->drawImage(QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top), m_image);
  dc->restore();
}

void CQrCodeUI::PaintText(HDC dc) {
  const RECT code = GetCodeRect();
  if (m_sText.IsEmpty() || code.right <= code.left)
    return;
  CDuiRect rc(m_rcItem);
  rc.top = code.bottom;
  rc.bottom = code.bottom + CaptionHeight();
  rc.Deflate(m_rcTextPadding);
  CRenderEngine::DrawText(dc, m_pManager, rc, m_sText, CurrentTextColor(), m_iFont, m_uTextStyle);
}

}  // namespace DuiLib
