// The control protocol's edge cases and the server's handling of peers that misbehave; the
// ordinary requests are covered through tavlo-sim (tests/tools).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "platform/local_socket.h"
#include "platform/sim/control_client.h"
#include "platform/sim/control_protocol.h"
#include "platform/sim/control_server.h"
#include "platform/sim/control_socket.h"
#include "platform/sim/state_directory.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace platform::sim;

TEST(ControlProtocolTest, ValuesAreCheckedAndRepliesKeepTheirLinesInOne) {
  auto parse = [](const char* line) { return ParseControlRequest(SplitControlLine(line)); };
  auto fail = parse("  fail\tEnableSharing 0x80004005 always ");
  ASSERT_TRUE(fail.request);
  EXPECT_EQ(fail.request->code, 0x80004005u);
  EXPECT_EQ(fail.request->times, ControlRequest::kAlways);
  EXPECT_TRUE(parse("radio up").usage);
  for (const char* line : {"join 00-1A:2B-3C-4D-5E", "join 00-1A-2B-3C-4D-5G", "fail Start 0",
                           "fail Start 0x100000000", "fail Start 5 -1", "delay 0x10"}) {
    EXPECT_FALSE(parse(line).request) << line;
    EXPECT_FALSE(parse(line).usage) << line;
  }

  ControlReply reply{true, "state: active\n  C:\\path\r\n"};
  const std::string line = EncodeControlReply(reply);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(DecodeControlReply(line)->text, reply.text);
  EXPECT_FALSE(DecodeControlReply("okay"));
  EXPECT_FALSE(DecodeControlReply("ok trailing\\"));
}

TEST(ControlServerTest, OneServerPerStateFolderAndMisbehavingPeersAreDropped) {
  test::ScopedTempDir dir, other;
  SimSystem system(dir.path());
  ControlServer server(system), second(system);
  ASSERT_TRUE(server.Start());
  EXPECT_FALSE(second.Start());
  EXPECT_EQ(ControlSocketPath(dir.path()).string(), server.path());
  EXPECT_NE(ControlSocketPath(other.path()).string(), server.path());

  auto connect_raw = [&server] {
    int fd = platform::ConnectLocalSocket(server.path(), SOCK_STREAM);
    EXPECT_GE(fd, 0);
    return fd;
  };
  int flood = connect_raw();
  control_socket::WriteAll(flood, std::string(ControlServer::kMaxRequestBytes + 10, 'x'));
  char byte;
  EXPECT_EQ(recv(flood, &byte, 1, 0), 0);  // closed without a reply
  close(flood);
  std::string reply;
  ASSERT_EQ(SendControlRequest(server.path(), "radio off", &reply, 2000),
            ControlClientStatus::kReplied);
  EXPECT_EQ(reply, "ok radio off");

  // A peer that never finishes its line does not hold up the end.
  int stall = connect_raw();
  control_socket::WriteAll(stall, "sta");
  auto before = std::chrono::steady_clock::now();
  server.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1500));
  close(stall);
}

}  // namespace
