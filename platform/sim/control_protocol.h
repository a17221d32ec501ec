// The control protocol of the simulated system: what `tavlo-sim` asks a running program to do
// with its SimSystem, and how requests and replies travel. One request is one text line of
// words separated by blanks, where a word may hold \s (blank), \t, \n, \r, \\ and, alone,
// \e (the empty word) (EncodeControlWord); one reply is one text line, "ok[ TEXT]" or
// "error TEXT", with backslashes, line feeds and carriage returns in TEXT escaped as \\, \n
// and \r.
//
// Requests:
//   join MAC [--name NAME] [--ip ADDRESS]
//                                     MAC as AA-BB-CC-DD-EE-FF or AA:BB:CC:DD:EE:FF, any case;
//                                     the station's host name and IPv4 address, once joined
//   facts MAC [--name NAME] [--ip ADDRESS]
//                                     what is learnt of an associated station later
//   leave MAC
//   radio off|on
//   status
//   fail OPERATION CODE [TIMES]       OPERATION: a failable call of the wireless or sharing
//                                     service; CODE: decimal or 0x-hex, not 0; TIMES: a count
//                                     (default 1, 0 clears the fault) or "always"
//   missing FUNCTION|clear            FUNCTION: one of the six hosted-network functions
//   delay MS                          how long the netsh lines take
//
// Thread affinity: plain functions over values; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/win_types.h"
#include "platform/sim/wireless_service.h"

namespace platform::sim {

struct ControlRequest {
  enum class Kind { kJoin, kFacts, kLeave, kRadio, kStatus, kFail, kMissing, kDelay };
  static constexpr int kAlways = -1;

  Kind kind = Kind::kStatus;
  MacAddress mac{};                      // join, facts, leave
  std::optional<std::string> host_name;  // join, facts
  std::optional<std::string> ipv4;       // join, facts
  bool on = false;                       // radio
  std::string name;                      // fail: the operation; missing: the function, or "clear"
  DWORD code = 0;                        // fail
  int times = 1;                         // fail: kAlways for every later call
  DWORD milliseconds = 0;                // delay
};

struct ControlParse {
  std::optional<ControlRequest> request;
  std::string error;   // when there is no request
  bool usage = false;  // the command is unknown or has the wrong number of arguments
};

// `words`: the command and its arguments.
ControlParse ParseControlRequest(const std::vector<std::string>& words);
// Words with their escapes undone; a word with an unknown escape stays as it is.
std::vector<std::string> SplitControlLine(std::string_view line);
// One word for a request line: blanks, control characters and backslashes escaped.
std::string EncodeControlWord(std::string_view word);

// "AA-BB-CC-DD-EE-FF" or with colons, case-insensitive.
std::optional<MacAddress> ParseMacAddress(std::string_view text);
std::string FormatMacAddress(const MacAddress& mac);

// The failable operations by name: the wireless service's, then the sharing service's.
const std::vector<std::string>& WirelessFaultOperations();
bool IsWirelessFaultOperation(std::string_view name);
bool IsSharingFaultOperation(std::string_view name);
const std::vector<std::string>& HostedNetworkFunctions();

struct ControlReply {
  bool ok = false;
  std::string text;
};
std::string EncodeControlReply(const ControlReply& reply);
// Null when the line is not a reply.
std::optional<ControlReply> DecodeControlReply(std::string_view line);

}  // namespace platform::sim
