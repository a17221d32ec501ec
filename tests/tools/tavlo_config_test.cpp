// tavlo-config as a user runs it: its output, its messages and its exit status.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/crafted_image.h"
#include "config/fake_ticks.h"
#include "config/test_files.h"

extern char** environ;

namespace {

using config_test::ReadBytes;
using config_test::TempDir;
using config_test::WriteBytes;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class TavloConfigTest : public ::testing::Test {
 protected:
  Outcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), TAVLO_CONFIG_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = (dir_ / "stdout").string();
    const std::string err = (dir_ / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    Outcome outcome;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = Slurp(out);
    outcome.err = Slurp(err);
    return outcome;
  }

  Outcome Run(std::initializer_list<std::string> tail) {
    std::vector<std::string> args = {file_};
    args.insert(args.end(), tail);
    return Run(args);
  }

  TempDir dir_;
  std::string file_ = (dir_ / "config.db").string();
};

TEST_F(TavloConfigTest, ListsWhatWasSetInContainerOrder) {
  // What tools/run.sh does for `make run`.
  EXPECT_EQ(0, Run({"set", "string", "SSID", "Tavlo-热点"}).status);
  EXPECT_EQ(0, Run({"set", "int", "Autorun", "1"}).status);
  EXPECT_EQ(0, Run({"set", "int64", "Big", "-9000000000"}).status);
  EXPECT_EQ(0, Run({"set", "binary", "Blob", "00FF7a"}).status);
  EXPECT_EQ(0, Run({"set", "string", "Lines", "a\tb\nc"}).status);
  EXPECT_EQ(0, Run({"set", "int", "autorun", "2"}).status);

  const Outcome list = Run({"list"});
  EXPECT_EQ(0, list.status);
  EXPECT_EQ(
      "string\tSSID\tTavlo-热点\n"
      "int64\tBig\t-9000000000\n"
      "binary\tBlob\t00ff7a\n"
      "string\tLines\ta\\x09b\\x0ac\n"
      "int\tautorun\t2\n",
      list.out);
  EXPECT_EQ("", list.err);

  EXPECT_EQ(0, Run({"delete", "ssid"}).status);
  EXPECT_EQ(0, Run({"delete", "NotThere"}).status);
  EXPECT_EQ(0, Run({"list"}).out.find("int64\tBig"));
}

TEST_F(TavloConfigTest, GetPrintsTheTypedGetterResult) {
  Run({"set", "string", "Hex", "0x1F"});
  Run({"set", "int", "Minus", "-5"});
  Run({"set", "binary", "Blob", "0102030405"});
  Run({"set", "string", "Long", std::string(300, 'x')});

  EXPECT_EQ("31\n", Run({"get", "int", "hex", "0"}).out);
  EXPECT_EQ("-5\n", Run({"get", "int64", "MINUS"}).out);
  EXPECT_EQ("77\n", Run({"get", "int", "missing", "77"}).out);
  EXPECT_EQ("0\n", Run({"get", "int", "missing"}).out);
  EXPECT_EQ("-5\n", Run({"get", "string", "Minus", "dflt"}).out);
  EXPECT_EQ("默认\n", Run({"get", "string", "missing", "默认"}).out);
  EXPECT_EQ(std::string(255, 'x') + "\n", Run({"get", "string", "Long"}).out);
  EXPECT_EQ("010203\n", Run({"get", "binary", "Blob", "aabbcc"}).out);
  EXPECT_EQ("aabb\n", Run({"get", "binary", "missing", "AABB"}).out);
  const Outcome get = Run({"get", "int", "hex"});
  EXPECT_EQ(0, get.status);
  EXPECT_EQ("", get.err);
}

TEST_F(TavloConfigTest, RefusesToListAFileWithoutAValidContainer) {
  Run({"set", "binary", "Blob", std::string(2000, 'a')});  // a short payload, well compressed
  const std::vector<std::uint8_t> good = ReadBytes(file_);

  std::vector<std::uint8_t> version = good;
  version[6] = 2;
  std::vector<std::uint8_t> flipped = good;
  flipped[config::kHeaderSize + 2] ^= 4;
  const std::vector<std::uint8_t> plain = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<std::uint8_t> not_zlib =
      config_test::CraftImage(plain, {.container_length = 99});

  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"empty", {}, "empty"},
      {"magic", {'X', 'V', 'D', 'B', 0, 0, 1, 0}, "magic"},
      {"version", version, "version"},
      {"short", {good.begin(), good.end() - 10}, "short payload"},
      {"checksum", flipped, "checksum"},
      {"zlib", not_zlib, "compressed data"},
  };
  for (const Case& c : cases) {
    WriteBytes(file_, c.bytes);
    const Outcome list = Run({"list"});
    EXPECT_EQ(1, list.status) << c.name;
    EXPECT_EQ("", list.out) << c.name;
    EXPECT_NE(std::string::npos, list.err.find(c.says)) << c.name << ": " << list.err;
    EXPECT_EQ(1, std::count(list.err.begin(), list.err.end(), '\n')) << c.name;
  }

  const Outcome missing = Run(std::vector<std::string>{(dir_ / "absent.db").string(), "list"});
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find("does not exist"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "absent.db"));
}

TEST_F(TavloConfigTest, KeepsADamagedFileWhenWritingOverIt) {
  const std::vector<std::uint8_t> damaged = {'K', 'V', 'D', 'B', 9, 9, 9, 9};
  WriteBytes(file_, damaged);
  const Outcome set = Run({"set", "int", "Autorun", "1"});
  EXPECT_EQ(0, set.status);
  EXPECT_NE(std::string::npos, set.err.find("config.db.bad"));
  EXPECT_EQ(damaged, ReadBytes(file_ + ".bad"));
  EXPECT_EQ("int\tAutorun\t1\n", Run({"list"}).out);
}

TEST_F(TavloConfigTest, SaysSoWhenAnotherStoreHoldsTheFile) {
  Run({"set", "int", "Autorun", "1"});
  const std::vector<std::uint8_t> before = ReadBytes(file_);
  config_test::FakeTicks ticks;
  config::CFlushRule flush(&ticks);
  config::CConfigFile holder(file_, &flush);
  ASSERT_TRUE(holder.Open());

  const Outcome set = Run({"set", "int", "Autorun", "2"});
  EXPECT_EQ(1, set.status);
  EXPECT_NE(std::string::npos, set.err.find("not written"));
  EXPECT_EQ("5\n", Run({"get", "int", "Autorun", "5"}).out) << "a second store sees no records";
  EXPECT_EQ(before, ReadBytes(file_));
  holder.Close();
  EXPECT_EQ("int\tAutorun\t1\n", Run({"list"}).out);
}

TEST_F(TavloConfigTest, RejectsMisuseWithStatus2) {
  const std::vector<std::vector<std::string>> misuse = {
      {},
      {file_},
      {file_, "list", "extra"},
      {file_, "frobnicate", "x"},
      {file_, "get", "float", "K"},
      {file_, "get", "int", "K", "abc"},
      {file_, "set", "int", "K"},
      {file_, "set", "int", "K", "12x"},
      {file_, "set", "int", "K", "99999999999"},
      {file_, "set", "binary", "K", "abc"},
      {file_, "set", "binary", "K", ""},
      {file_, "set", "string", "K", "\xff\xfe"},
      {file_, "delete"},
  };
  for (const auto& args : misuse) {
    const Outcome outcome = Run(args);
    EXPECT_EQ(2, outcome.status) << ::testing::PrintToString(args);
    EXPECT_NE(std::string::npos, outcome.err.find("usage:"));
    EXPECT_EQ("", outcome.out);
  }
  EXPECT_FALSE(std::filesystem::exists(file_)) << "misuse must not touch the file";
}

}  // namespace
