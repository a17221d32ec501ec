// CQrCodeUI ("QrCode" in layouts): a QR code of a text, with a one-line caption under it.
//
// The code is black on white with its quiet zone of four modules, drawn at the largest whole
// number of pixels per module that fits the control (above the caption), without smoothing,
// so every module is a sharp square a camera can read off a screen. The caption is the
// control's text, drawn like a label's (font, textcolor, align) in the strip below the code.
// Without a code the control paints nothing but its background.
//
// Thread affinity: UI thread. Ownership: like any control, owned by its parent. Failure: a
// text that no QR code can hold leaves the control without a code and SetPayload answers false.
#pragma once

#include <QImage>
#include <string>
#include <string_view>

#include "duilib/label.h"

namespace DuiLib {

class CQrCodeUI : public CLabelUI {
 public:
  static constexpr int kQuietZoneModules = 4;

  CQrCodeUI();
  LPCTSTR GetClass() const override { return u"QrCodeUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  // Encodes UTF-8 text byte for byte (8-bit mode), in the smallest version at the lowest error
  // correction, which a clean screen needs no more than; text beyond ASCII is marked as UTF-8
  // for the reader. Empty clears the code.
  bool SetPayload(std::string_view utf8);
  const std::string& GetPayload() const { return m_payload; }

  // Modules per side, quiet zone not counted; 0 without a code.
  int GetModuleCount() const { return m_modules; }
  bool IsDarkModule(int x, int y) const;
  // Pixels per module at the current size; 0 without a code or when it does not fit.
  int GetModulePixels() const;
  // Where the code, quiet zone included, is painted; empty when it is not.
  RECT GetCodeRect() const;

  // "payload": the text to encode, as UTF-8.
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void PaintStatusImage(HDC dc) override;
  void PaintText(HDC dc) override;

 private:
  int CaptionHeight() const;

  std::string m_payload;
  int m_modules = 0;
  // One pixel per module, quiet zone included.
  QImage m_image;
};

}  // namespace DuiLib
