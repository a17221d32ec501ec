#include "platform/sim/control_protocol.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/hex.h"
#include "platform/sim/sim_device_facts.h"
#include "platform/sim/sim_sharing_service.h"

namespace platform::sim {

namespace {

// Decimal (or 0x-hex when allowed), the whole text, within 32 bits.
std::optional<DWORD> ParseNumber(std::string_view text, bool allow_hex) {
  int base = 10;
  if (allow_hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty())
    return std::nullopt;
  unsigned long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFull)
    return std::nullopt;
  return static_cast<DWORD>(value);
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names)
    joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

ControlParse Usage(std::string error) {
  return ControlParse{std::nullopt, std::move(error), true};
}

ControlParse Error(std::string error) {
  return ControlParse{std::nullopt, std::move(error), false};
}

ControlParse Done(ControlRequest request) {
  return ControlParse{std::move(request), {}, false};
}

}  // namespace

std::optional<MacAddress> ParseMacAddress(std::string_view text) {
  if (text.size() != 17)
    return std::nullopt;
  const char separator = text[2];
  if (separator != '-' && separator != ':')
    return std::nullopt;
  MacAddress mac{};
  for (size_t i = 0; i < mac.size(); ++i) {
    const size_t at = i * 3;
    if (i > 0 && text[at - 1] != separator)
      return std::nullopt;
    int high = base::HexDigitValue(text[at]), low = base::HexDigitValue(text[at + 1]);
    if (high < 0 || low < 0)
      return std::nullopt;
    mac[i] = static_cast<BYTE>(high * 16 + low);
  }
  return mac;
}

std::string FormatMacAddress(const MacAddress& mac) {
  char text[18];
  std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

const std::vector<std::string>& WirelessFaultOperations() {
  static const std::vector<std::string> names = {
      "WlanOpenHandle",
      "WlanCloseHandle",
      "WlanRegisterNotification",
      "WlanEnumInterfaces",
      "WlanHostedNetworkInitSettings",
      "WlanHostedNetworkQueryProperty",
      "WlanHostedNetworkSetProperty",
      "WlanHostedNetworkQueryStatus",
      "WlanHostedNetworkSetSecondaryKey",
      "WlanHostedNetworkQuerySecondaryKey",
      "Allow",
      "Start",
      "Stop",
  };
  return names;
}

bool IsWirelessFaultOperation(std::string_view name) {
  const auto& names = WirelessFaultOperations();
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsSharingFaultOperation(std::string_view name) {
  return SharingCallFromName(name).has_value();
}

const std::vector<std::string>& HostedNetworkFunctions() {
  static const std::vector<std::string> names = {
      "WlanHostedNetworkInitSettings",    "WlanHostedNetworkQueryProperty",
      "WlanHostedNetworkSetProperty",     "WlanHostedNetworkQueryStatus",
      "WlanHostedNetworkSetSecondaryKey", "WlanHostedNetworkQuerySecondaryKey",
  };
  return names;
}

namespace {

std::string Unescape(std::string_view word) {
  if (word == "\\e")
    return {};
  std::string text;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '\\' || i + 1 == word.size()) {
      text += word[i];
      continue;
    }
    switch (word[++i]) {
      case 's':
        text += ' ';
        break;
      case 't':
        text += '\t';
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      case '\\':
        text += '\\';
        break;
      default:
        text += '\\';
        text += word[i];
    }
  }
  return text;
}

// "join MAC --name N --ip A" and "facts ...": the options after the MAC address.
std::optional<std::string> ParseDeviceOptions(const std::vector<std::string>& words,
                                              ControlRequest* request) {
  for (size_t i = 2; i < words.size(); i += 2) {
    const std::string& option = words[i];
    if (option != "--name" && option != "--ip")
      return "unknown option '" + option + "' (--name NAME, --ip ADDRESS)";
    if (i + 1 == words.size())
      return option + " needs a value";
    const std::string& value = words[i + 1];
    std::optional<std::string>& slot = option == "--name" ? request->host_name : request->ipv4;
    if (slot)
      return option + " is given twice";
    if (option == "--name" && !IsValidHostName(value))
      return "'" + value + "' is not a host name (1 to 255 bytes of UTF-8, no control characters)";
    if (option == "--ip" && !IsValidDeviceAddress(value))
      return "'" + value +
             "' is not a device's IPv4 address (a dotted quad such as 192.168.137.23)";
    slot = value;
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SplitControlLine(std::string_view line) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
      ++at;
    size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t')
      ++end;
    if (end > at)
      words.push_back(Unescape(line.substr(at, end - at)));
    at = end;
  }
  return words;
}

std::string EncodeControlWord(std::string_view word) {
  if (word.empty())
    return "\\e";
  std::string text;
  for (char c : word) {
    switch (c) {
      case ' ':
        text += "\\s";
        break;
      case '\t':
        text += "\\t";
        break;
      case '\n':
        text += "\\n";
        break;
      case '\r':
        text += "\\r";
        break;
      case '\\':
        text += "\\\\";
        break;
      default:
        text += c;
    }
  }
  return text;
}

ControlParse ParseControlRequest(const std::vector<std::string>& words) {
  if (words.empty())
    return Usage("no command given");
  const std::string& command = words[0];
  const size_t arguments = words.size() - 1;
  ControlRequest request;

  if (command == "join" || command == "leave" || command == "facts") {
    if (command == "leave" && arguments != 1)
      return Usage("leave takes one MAC address");
    if (arguments < 1)
      return Usage(command + " takes a MAC address and, optionally, --name NAME and --ip ADDRESS");
    auto mac = ParseMacAddress(words[1]);
    if (!mac)
      return Error("'" + words[1] + "' is not a MAC address (expected AA-BB-CC-DD-EE-FF)");
    if (std::optional<std::string> problem = ParseDeviceOptions(words, &request))
      return Error(*problem);
    if (command == "facts" && !request.host_name && !request.ipv4)
      return Usage("facts takes --name NAME, --ip ADDRESS or both");
    request.kind = command == "join"    ? ControlRequest::Kind::kJoin
                   : command == "facts" ? ControlRequest::Kind::kFacts
                                        : ControlRequest::Kind::kLeave;
    request.mac = *mac;
    return Done(request);
  }
  if (command == "radio") {
    if (arguments != 1 || (words[1] != "on" && words[1] != "off"))
      return Usage("radio takes 'on' or 'off'");
    request.kind = ControlRequest::Kind::kRadio;
    request.on = words[1] == "on";
    return Done(request);
  }
  if (command == "status") {
    if (arguments != 0)
      return Usage("status takes no arguments");
    request.kind = ControlRequest::Kind::kStatus;
    return Done(request);
  }
  if (command == "fail") {
    if (arguments < 2 || arguments > 3)
      return Usage("fail takes OPERATION CODE [TIMES]");
    if (!IsWirelessFaultOperation(words[1]) && !IsSharingFaultOperation(words[1])) {
      std::vector<std::string> sharing;
      for (size_t i = 0; i < kSharingCallCount; ++i)
        sharing.emplace_back(SharingCallName(static_cast<SharingCall>(i)));
      return Error("unknown operation '" + words[1] +
                   "'; wireless service: " + JoinNames(WirelessFaultOperations()) +
                   "; sharing service: " + JoinNames(sharing));
    }
    auto code = ParseNumber(words[2], true);
    if (!code || *code == 0)
      return Error("'" + words[2] + "' is not a failure code (non-zero, decimal or 0x-hex)");
    request.kind = ControlRequest::Kind::kFail;
    request.name = words[1];
    request.code = *code;
    if (arguments == 3) {
      if (words[3] == "always") {
        request.times = ControlRequest::kAlways;
      } else {
        auto times = ParseNumber(words[3], false);
        if (!times || *times > 1000000)
          return Error("'" + words[3] + "' is not a count (a number, or 'always')");
        request.times = static_cast<int>(*times);
      }
    }
    return Done(request);
  }
  if (command == "missing") {
    if (arguments != 1)
      return Usage("missing takes one FUNCTION, or 'clear'");
    const auto& functions = HostedNetworkFunctions();
    if (words[1] != "clear" &&
        std::find(functions.begin(), functions.end(), words[1]) == functions.end()) {
      return Error("'" + words[1] +
                   "' is not a hosted-network function; one of: " + JoinNames(functions));
    }
    request.kind = ControlRequest::Kind::kMissing;
    request.name = words[1];
    return Done(request);
  }
  if (command == "delay") {
    if (arguments != 1)
      return Usage("delay takes MS");
    auto ms = ParseNumber(words[1], false);
    if (!ms || *ms > 600000)
      return Error("'" + words[1] + "' is not a delay in milliseconds (0 to 600000)");
    request.kind = ControlRequest::Kind::kDelay;
    request.milliseconds = *ms;
    return Done(request);
  }
  return Usage("unknown command '" + command + "'");
}

std::string EncodeControlReply(const ControlReply& reply) {
  std::string line = reply.ok ? "ok" : "error";
  if (!reply.ok || !reply.text.empty())
    line += ' ';
  for (char c : reply.text) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
    }
  }
  return line;
}

std::optional<ControlReply> DecodeControlReply(std::string_view line) {
  ControlReply reply;
  if (line == "ok") {
    reply.ok = true;
    return reply;
  }
  if (line.starts_with("ok ")) {
    reply.ok = true;
    line.remove_prefix(3);
  } else if (line.starts_with("error ")) {
    line.remove_prefix(6);
  } else {
    return std::nullopt;
  }
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\') {
      reply.text += line[i];
      continue;
    }
    if (++i == line.size())
      return std::nullopt;
    switch (line[i]) {
      case '\\':
        reply.text += '\\';
        break;
      case 'n':
        reply.text += '\n';
        break;
      case 'r':
        reply.text += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return reply;
}

}  // namespace platform::sim
