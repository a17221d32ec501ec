// The text conversions of the hosted-network settings, in three code pages, on any input: no
// crash, no overrun, and every buffer handed out by the wireless service is given back.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "hostednet/hosted_network.h"
#include "platform/code_page.h"
#include "platform/sim/wireless_service.h"
#include "platform/sim/wireless_state_file.h"

namespace {

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

  // The bytes as the simulated service's state file.
  platform::sim::WirelessStateFile::Parse(
      std::string_view(reinterpret_cast<const char*>(data), size));

  if (setup->service->GetSnapshot().outstanding_allocations != 0)
    abort();
  return 0;
}
