#include "app/device_names.h"

#include "base/utf.h"

namespace app {

namespace {

// Blanks for control characters, none at either end.
std::u16string Shown(std::string_view utf8) {
  std::u16string text = *base::Utf8ToUtf16(utf8, base::InvalidText::kReplace);
  for (char16_t& c : text) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
      c = u' ';
  }
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos)
    return {};
  text.erase(text.find_last_not_of(u' ') + 1);
  text.erase(0, first);
  return text;
}

}  // namespace

std::u16string DeviceDisplayName(const std::array<uint8_t, 6>& mac,
                                 std::string_view host_name,
                                 const platform::DeviceMakers* makers) {
  if (std::u16string name = Shown(host_name); !name.empty())
    return name;
  if (platform::IsLocallyAdministered(mac))
    return kRandomAddressName;
  if (makers) {
    if (std::u16string maker = Shown(makers->MakerOf(mac)); !maker.empty())
      return maker;
  }
  return kUnknownDeviceName;
}

}  // namespace app
