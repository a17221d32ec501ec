// tavlo-sim: drives the simulated system of a running Tavlo (stations with their names and
// addresses, radio, faults, the netsh delay) and shows its state. It finds the program through the
// state folder both see
// ($TAVLO_SIM_DIR, or the default one).
//
// Exit codes: 0 done; 1 the program refused, or no program runs; 2 a usage error.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sim/control_client.h"
#include "platform/sim/control_protocol.h"
#include "platform/sim/state_directory.h"

namespace {

constexpr int kReplyTimeoutMs = 5000;

constexpr char kUsage[] =
    "usage: tavlo-sim COMMAND [ARGUMENTS]\n"
    "Drives the simulated system of a running Tavlo.\n"
    "\n"
    "  join MAC [--name NAME] [--ip ADDRESS]\n"
    "                               a station joins the hosted network; its host name\n"
    "                               and IPv4 address, when given, are learnt after it\n"
    "  facts MAC [--name NAME] [--ip ADDRESS]\n"
    "                               the host name or address of a joined station is\n"
    "                               learnt (later, as a phone's are)\n"
    "  leave MAC                    a station leaves it\n"
    "                               (MAC as AA-BB-CC-DD-EE-FF or AA:BB:CC:DD:EE:FF)\n"
    "  radio off|on                 switches the wireless radio\n"
    "  status                       shows the hosted network, its stations and the sharing\n"
    "                               of each connection\n"
    "  fail OPERATION CODE [TIMES]  the next TIMES calls of OPERATION fail with CODE\n"
    "                               (decimal or 0x-hex; TIMES: a count, default 1, 0 to\n"
    "                               clear, or 'always')\n"
    "  missing FUNCTION|clear       a hosted-network function goes missing, or none\n"
    "  delay MS                     netsh lines run MS milliseconds after they start\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && (words[0] == "help" || words[0] == "--help" || words[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  platform::sim::ControlParse parse = platform::sim::ParseControlRequest(words);
  if (!parse.request) {
    std::fprintf(stderr, "tavlo-sim: %s\n", parse.error.c_str());
    if (parse.usage)
      std::fputs(kUsage, stderr);
    return 2;
  }

  std::string line;
  for (const std::string& word : words)
    line += (line.empty() ? "" : " ") + platform::sim::EncodeControlWord(word);
  const std::string path =
      platform::sim::ControlSocketPath(platform::sim::DefaultStateDirectory()).string();
  std::string reply_line;
  switch (platform::sim::SendControlRequest(path, line, &reply_line, kReplyTimeoutMs)) {
    case platform::sim::ControlClientStatus::kReplied:
      break;
    case platform::sim::ControlClientStatus::kNoServer:
      std::fputs("tavlo-sim: no running Tavlo with a simulated system\n", stderr);
      return 1;
    case platform::sim::ControlClientStatus::kForeignPeer:
      std::fputs("tavlo-sim: the control socket belongs to another user\n", stderr);
      return 1;
    case platform::sim::ControlClientStatus::kNoReply:
      std::fputs("tavlo-sim: the running Tavlo did not answer\n", stderr);
      return 1;
  }
  auto reply = platform::sim::DecodeControlReply(reply_line);
  if (!reply) {
    std::fputs("tavlo-sim: the running Tavlo gave an answer that is not understood\n", stderr);
    return 1;
  }
  if (!reply->ok) {
    std::fprintf(stderr, "tavlo-sim: %s\n", reply->text.c_str());
    return 1;
  }
  if (!reply->text.empty())
    std::printf("%s\n", reply->text.c_str());
  return 0;
}
