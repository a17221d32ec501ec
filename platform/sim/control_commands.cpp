#include "platform/sim/control_commands.h"

#include <algorithm>
#include <cstdio>

#include "base/guid.h"
#include "base/result.h"
#include "base/utf.h"

namespace platform::sim {

namespace {

// Names are shown whatever they hold.
std::string ToUtf8(const std::u16string& text) {
  return *base::Utf16ToUtf8(text, base::InvalidText::kReplace);
}

// Quoted when the bytes are printable UTF-8, else in hexadecimal.
std::string DescribeSsid(const DOT11_SSID& ssid) {
  const ULONG length = std::min<ULONG>(ssid.uSSIDLength, DOT11_SSID_MAX_LENGTH);
  if (length == 0)
    return "(none)";
  const char* bytes = reinterpret_cast<const char*>(ssid.ucSSID);
  bool printable = base::IsValidUtf8(std::string_view(bytes, length));
  for (ULONG i = 0; printable && i < length; ++i)
    printable = static_cast<unsigned char>(bytes[i]) >= 0x20 && bytes[i] != 0x7F;
  if (printable)
    return "\"" + std::string(bytes, length) + "\"";
  std::string hex = "bytes ";
  char digits[3];
  for (ULONG i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof(digits), "%02X", ssid.ucSSID[i]);
    hex += digits;
  }
  return hex;
}

const char* StateName(WLAN_HOSTED_NETWORK_STATE state) {
  switch (state) {
    case wlan_hosted_network_unavailable:
      return "unavailable";
    case wlan_hosted_network_idle:
      return "idle";
    case wlan_hosted_network_active:
      return "active";
  }
  return "unknown";
}

const char* StatusName(NETCON_STATUS status) {
  switch (status) {
    case NCS_DISCONNECTED:
      return "disconnected";
    case NCS_CONNECTING:
      return "connecting";
    case NCS_CONNECTED:
      return "connected";
    case NCS_MEDIA_DISCONNECTED:
      return "cable unplugged";
    case NCS_HARDWARE_NOT_PRESENT:
      return "not present";
    case NCS_HARDWARE_DISABLED:
      return "disabled";
    default:
      return "other status";
  }
}

std::string Hex(DWORD code) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", code);
  return text;
}

ControlReply Ok(std::string text = {}) {
  return ControlReply{true, std::move(text)};
}

ControlReply Refused(std::string text) {
  return ControlReply{false, std::move(text)};
}

bool Associated(SimSystem& system, const MacAddress& mac) {
  const auto peers = system.wireless().GetSnapshot().peers;
  return std::find(peers.begin(), peers.end(), mac) != peers.end();
}

// What the station is known by, for replies and the status: " NAME ADDRESS", or nothing.
std::string DescribeFacts(SimSystem& system, const MacAddress& mac) {
  const std::optional<DeviceFacts> facts = system.device_facts().Lookup(mac);
  std::string text;
  if (facts && !facts->ipv4.empty())
    text += "  " + facts->ipv4;
  if (facts && !facts->host_name.empty())
    text += "  \"" + facts->host_name + "\"";
  return text;
}

ControlReply StationReply(DWORD error, const std::string& mac, bool joining) {
  switch (error) {
    case ERROR_SUCCESS:
      return Ok(mac + (joining ? " joined" : " left"));
    case ERROR_INVALID_STATE:
      return Refused("the hosted network is not active");
    case ERROR_ALREADY_EXISTS:
      return Refused(mac + " is already associated");
    case ERROR_NO_MORE_ITEMS:
      return Refused("the hosted network has reached its peer limit");
    case ERROR_NOT_FOUND:
      return Refused(mac + " is not associated");
    default:
      return Refused("the wireless service refused with " + Hex(error));
  }
}

}  // namespace

ControlReply ExecuteControlRequest(SimSystem& system, const ControlRequest& request) {
  using Kind = ControlRequest::Kind;
  switch (request.kind) {
    case Kind::kJoin: {
      const std::string mac = FormatMacAddress(request.mac);
      // A name or address that would be refused is refused before the station joins.
      if (std::string problem =
              system.device_facts().Check(request.mac, request.host_name, request.ipv4);
          !problem.empty())
        return Refused(problem);
      ControlReply reply = StationReply(system.wireless().StationJoin(request.mac), mac, true);
      if (!reply.ok || (!request.host_name && !request.ipv4))
        return reply;
      // As a phone's: the address and name come once the station is there.
      if (std::string problem =
              system.device_facts().Set(request.mac, request.host_name, request.ipv4);
          !problem.empty())
        return Refused(reply.text + ", but " + problem);
      return Ok(reply.text + DescribeFacts(system, request.mac));
    }
    case Kind::kFacts: {
      const std::string mac = FormatMacAddress(request.mac);
      if (!Associated(system, request.mac))
        return Refused(mac + " is not associated");
      if (std::string problem =
              system.device_facts().Set(request.mac, request.host_name, request.ipv4);
          !problem.empty())
        return Refused(problem);
      return Ok(mac + DescribeFacts(system, request.mac));
    }
    case Kind::kLeave:
      return StationReply(system.wireless().StationLeave(request.mac),
                          FormatMacAddress(request.mac), false);
    case Kind::kRadio:
      system.wireless().SetRadio(request.on);
      return Ok(request.on ? "radio on" : "radio off");
    case Kind::kStatus:
      return Ok(DescribeSimSystem(system));
    case Kind::kFail: {
      const int times = request.times == ControlRequest::kAlways ? -1 : request.times;
      if (IsWirelessFaultOperation(request.name)) {
        system.wireless().FailCalls(request.name, request.code, times);
      } else if (auto call = SharingCallFromName(request.name)) {
        system.sharing().FailCall(*call, static_cast<HRESULT>(request.code),
                                  times < 0 ? SimSharingService::kForever : times);
      } else {
        return Refused("unknown operation '" + request.name + "'");
      }
      if (times == 0)
        return Ok(request.name + " no longer fails");
      return Ok(request.name + " fails with " + Hex(request.code) +
                (times < 0 ? " from now on" : " " + std::to_string(times) + " time(s)"));
    }
    case Kind::kMissing:
      if (request.name == "clear") {
        for (const std::string& name : HostedNetworkFunctions())
          system.wireless().SetFunctionMissing(name, false);
        return Ok("every hosted-network function is present");
      }
      system.wireless().SetFunctionMissing(request.name, true);
      return Ok(request.name + " is missing");
    case Kind::kDelay:
      system.interpreter().SetDelay(request.milliseconds);
      return Ok("netsh lines run " + std::to_string(request.milliseconds) + " ms after they start");
  }
  return Refused("unknown request");
}

std::string DescribeSimSystem(SimSystem& system) {
  const WirelessService::Snapshot wireless = system.wireless().GetSnapshot();
  std::string text = "hosted network: ";
  text += StateName(wireless.state);
  if (wireless.state == wlan_hosted_network_active)
    text += ", device id " + base::GuidToString(wireless.device_id);
  text += "\nenable property: ";
  text += wireless.enabled ? "allowed" : "not allowed";
  text += "\nradio: ";
  text += wireless.radio_on ? "on" : "off";
  text += "\nSSID: " + DescribeSsid(wireless.settings.hostedNetworkSSID);
  text += "\npeer limit: " + std::to_string(wireless.settings.dwMaxNumberOfPeers);
  text += "\npassphrase: ";
  if (wireless.key.bytes.empty())
    text += "none";
  else
    text += std::string(wireless.key.is_passphrase ? "set" : "raw key") +
            (wireless.key.persistent ? ", persistent" : ", this session only");
  text += "\nstations: " + std::to_string(wireless.peers.size());
  for (const MacAddress& peer : wireless.peers)
    text += "\n  " + FormatMacAddress(peer) + DescribeFacts(system, peer);
  text += "\nconnections:";
  for (const SimConnection& connection : system.sharing().Connections()) {
    text += "\n  " + ToUtf8(connection.name) + "  " + base::GuidToString(connection.guid) + "  " +
            StatusName(connection.status) + "  ";
    auto role = system.sharing().Role(connection.guid);
    if (!role)
      text += "not shared";
    else
      text += *role == ICSSHARINGTYPE_PUBLIC ? "shared as public" : "shared as private";
  }
  text += "\nnetsh delay: " + std::to_string(system.interpreter().delay()) + " ms";
  return text;
}

}  // namespace platform::sim
