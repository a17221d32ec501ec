// The control protocol and its server, in process.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>

#include "platform/sim/control_client.h"
#include "platform/sim/control_protocol.h"
#include "platform/sim/control_server.h"
#include "platform/sim/control_socket.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace platform::sim;

ControlParse Parse(const char* line) {
  return ParseControlRequest(SplitControlLine(line));
}

TEST(ControlProtocolTest, MacAddressesTakeHyphensOrColonsInEitherCase) {
  const MacAddress expected{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  EXPECT_EQ(ParseMacAddress("00-1A-2B-3C-4D-5E"), expected);
  EXPECT_EQ(ParseMacAddress("00:1a:2b:3C:4d:5E"), expected);
  EXPECT_EQ(FormatMacAddress(expected), "00-1A-2B-3C-4D-5E");
  for (const char* bad : {"00-1A-2B-3C-4D", "00-1A-2B-3C-4D-5E-", "00-1A:2B-3C-4D-5E",
                          "00-1A-2B-3C-4D-5G", "001A2B3C4D5E", "00.1A.2B.3C.4D.5E", ""}) {
    EXPECT_FALSE(ParseMacAddress(bad)) << bad;
  }
}

TEST(ControlProtocolTest, RequestsAreCheckedBeforeAnythingRuns) {
  auto fail = Parse("fail EnableSharing 0x80004005 always");
  ASSERT_TRUE(fail.request);
  EXPECT_EQ(fail.request->code, 0x80004005u);
  EXPECT_EQ(fail.request->times, ControlRequest::kAlways);
  EXPECT_EQ(Parse("fail WlanOpenHandle 5").request->times, 1);
  EXPECT_EQ(Parse("  delay\t250 ").request->milliseconds, 250u);

  // Wrong command or argument count: usage. A wrong value: an error naming it.
  for (const char* line : {"", "jump", "join", "radio up", "status now", "fail Start", "delay"})
    EXPECT_TRUE(Parse(line).usage) << line;
  for (const char* line : {"join 00-11-22-33-44", "fail Launch 5", "fail Start 0", "fail Start x",
                           "fail Start 0x100000000", "fail Start 5 -1", "missing WlanOpenHandle",
                           "delay 0x10", "delay -5"}) {
    auto parse = Parse(line);
    EXPECT_FALSE(parse.request) << line;
    EXPECT_FALSE(parse.usage) << line;
    EXPECT_FALSE(parse.error.empty()) << line;
  }
}

TEST(ControlProtocolTest, RepliesKeepTheirLinesThroughOneLine) {
  ControlReply reply{true, "state: active\n  C:\\path\r\n"};
  std::string line = EncodeControlReply(reply);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  auto back = DecodeControlReply(line);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->ok);
  EXPECT_EQ(back->text, reply.text);
  EXPECT_EQ(DecodeControlReply("error no such station")->text, "no such station");
  EXPECT_FALSE(DecodeControlReply("okay"));
  EXPECT_FALSE(DecodeControlReply("ok trailing\\"));
  EXPECT_FALSE(DecodeControlReply("ok \\x"));
}

class ControlServerTest : public ::testing::Test {
 protected:
  std::string Ask(const std::string& line) {
    std::string reply;
    EXPECT_EQ(SendControlRequest(server_.address(), line, &reply, 2000),
              ControlClientStatus::kReplied);
    return reply;
  }
  // A raw connection, for peers that misbehave.
  int Connect() {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address;
    socklen_t length = control_socket::MakeAddress(server_.address(), &address);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
    return fd;
  }

  test::ScopedTempDir dir_;
  SimSystem system_{dir_.path()};
  ControlServer server_{system_};
};

TEST_F(ControlServerTest, OneServerPerStateFolderAnsweringEachRequestLine) {
  std::string reply;
  EXPECT_EQ(SendControlRequest(server_.address(), "status", &reply, 500),
            ControlClientStatus::kNoServer);
  ASSERT_TRUE(server_.Start());
  ControlServer second(system_);
  EXPECT_FALSE(second.Start());
  test::ScopedTempDir other;
  EXPECT_NE(ControlSocketName(other.path()), server_.address());
  EXPECT_EQ(ControlSocketName(dir_.path() / ""), server_.address());

  EXPECT_EQ(Ask("delay 75"), "ok netsh lines run 75 ms after they start");
  EXPECT_EQ(system_.interpreter().delay(), 75u);
  EXPECT_EQ(Ask("join 02-00-00-00-00-01"), "error the hosted network is not active");
  EXPECT_EQ(Ask("bogus"), "error unknown command 'bogus'");
}

TEST_F(ControlServerTest, PeersThatStallOrFloodAreDroppedAndStopDoesNotWaitForThem) {
  ASSERT_TRUE(server_.Start());
  int flood = Connect();
  std::string big(ControlServer::kMaxRequestBytes + 10, 'x');
  control_socket::WriteAll(flood, big);
  char byte;
  EXPECT_EQ(recv(flood, &byte, 1, 0), 0);  // closed without a reply
  close(flood);
  EXPECT_EQ(Ask("radio off"), "ok radio off");

  int stall = Connect();
  control_socket::WriteAll(stall, "sta");
  auto before = std::chrono::steady_clock::now();
  server_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1500));
  close(stall);
}

}  // namespace
