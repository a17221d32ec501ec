// The text conversions of the hosted-network settings, in three code pages, on any input: no
// crash, no overrun, and every buffer handed out by the wireless service is given back. And the
// UTF-8/UTF-16 codec: what it accepts converts back to the same input, and what it replaces is
// well-formed.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "base/utf.h"
#include "hostednet/hosted_network.h"
#include "platform/code_page.h"
#include "platform/sim/wireless_service.h"
#include "platform/sim/wireless_state_file.h"

namespace {

using base::InvalidText;

// The codec on the bytes as UTF-8 and as UTF-16.
void CheckCodec(std::string_view bytes, std::u16string_view wide) {
  auto strict = base::Utf8ToUtf16(bytes, InvalidText::kRefuse);
  auto lenient = base::Utf8ToUtf16(bytes, InvalidText::kReplace);
  if (!lenient || strict.has_value() != base::IsValidUtf8(bytes))
    abort();
  if (strict && (*strict != *lenient || base::Utf16ToUtf8(*strict, InvalidText::kRefuse) != bytes))
    abort();
  auto back = base::Utf16ToUtf8(*lenient, InvalidText::kRefuse);
  if (!back || base::Utf8ToUtf16(*back, InvalidText::kRefuse) != *lenient)
    abort();

  auto narrow = base::Utf16ToUtf8(wide, InvalidText::kRefuse);
  auto replaced = base::Utf16ToUtf8(wide, InvalidText::kReplace);
  if (!replaced || narrow.has_value() != base::IsValidUtf16(wide) || !base::IsValidUtf8(*replaced))
    abort();
  if (narrow && (*narrow != *replaced || base::Utf8ToUtf16(*narrow, InvalidText::kRefuse) != wide))
    abort();
}

struct Setup {
  // Nothing here changes the service's settings, so its state folder is never created.
  platform::sim::WirelessService* service =
      new platform::sim::WirelessService("/nonexistent/tavlo-fuzz");
  platform::IconvCodePage code_pages[3] = {platform::IconvCodePage("UTF-8"),
                                           platform::IconvCodePage("GBK"),
                                           platform::IconvCodePage("WINDOWS-1252")};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup* setup = new Setup;
  if (size < 1)
    return 0;
  CHostedNetwork controller(setup->service, &setup->code_pages[data[0] % 3]);
  ++data;
  --size;

  // The bytes as an SSID held by the system.
  DOT11_SSID ssid{};
  ssid.uSSIDLength = static_cast<ULONG>(size < 33 ? size : 33);  // 33 is refused
  std::memcpy(ssid.ucSSID, data, size < 32 ? size : 32);
  WCHAR text[256];
  DWORD capacity = 256;
  controller.SsidToText(&ssid, text, &capacity);

  // The bytes as UTF-16 text typed by the user.
  std::u16string wide(size / 2, u'\0');
  std::memcpy(wide.data(), data, wide.size() * 2);
  DOT11_SSID converted;
  controller.SsidFromText(wide.c_str(), &converted);
  BYTE passphrase[256];
  DWORD passphrase_size = sizeof(passphrase);
  controller.PassphraseFromText(wide.data(), static_cast<DWORD>(wide.size()), passphrase,
                                &passphrase_size);

  CheckCodec(std::string_view(reinterpret_cast<const char*>(data), size), wide);

  // The bytes as the simulated service's state file.
  platform::sim::WirelessStateFile::Parse(
      std::string_view(reinterpret_cast<const char*>(data), size));

  if (setup->service->GetSnapshot().outstanding_allocations != 0)
    abort();
  return 0;
}
