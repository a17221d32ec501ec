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

class TavloConfigTest : public ::testing::Test {
 protected:
  Outcome RunArgs(std::vector<std::string> args) {
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
    int status = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
      outcome.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = Slurp(out);
    outcome.err = Slurp(err);
    return outcome;
  }

  // Runs on the test's settings file.
  Outcome Run(std::initializer_list<std::string> tail) {
    std::vector<std::string> args = {file_};
    args.insert(args.end(), tail);
    return RunArgs(args);
  }

  static std::string Slurp(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  TempDir dir_;
  std::string file_ = (dir_ / "config.db").string();
};

TEST_F(TavloConfigTest, ListsWhatWasSetInContainerOrder) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"set", "string", "SSID", "Tavlo-热点"},  // what tools/run.sh does for `make run`
           {"set", "int", "Autorun", "1"},
           {"set", "int64", "Big", "-9000000000"},
           {"set", "binary", "Blob", "00FF7a"},
           {"set", "string", "Lines", "a\tb\nc"},
           {"set", "int", "autorun", "2"},
           {"delete", "BLOB"},
           {"delete", "NotThere"}}) {
    std::vector<std::string> full = {file_};
    full.insert(full.end(), args.begin(), args.end());
    EXPECT_EQ(0, RunArgs(full).status) << args[1];
  }
  const Outcome list = Run({"list"});
  EXPECT_EQ(0, list.status);
  EXPECT_EQ(
      "string\tSSID\tTavlo-热点\n"
      "int64\tBig\t-9000000000\n"
      "string\tLines\ta\\x09b\\x0ac\n"
      "int\tautorun\t2\n",
      list.out);
  EXPECT_EQ("", list.err);
}

TEST_F(TavloConfigTest, GetPrintsTheTypedGetterResult) {
  Run({"set", "string", "Hex", "0x1F"});
  Run({"set", "int", "Minus", "-5"});
  Run({"set", "binary", "Blob", "0102030405"});
  Run({"set", "string", "Long", std::string(300, 'x')});

  EXPECT_EQ("31\n", Run({"get", "int", "hex", "0"}).out);
  EXPECT_EQ("-5\n", Run({"get", "int64", "MINUS"}).out);
  EXPECT_EQ("77\n", Run({"get", "int", "missing", "77"}).out);
  EXPECT_EQ("-5\n", Run({"get", "string", "Minus", "dflt"}).out);
  EXPECT_EQ("默认\n", Run({"get", "string", "missing", "默认"}).out);
  EXPECT_EQ(std::string(255, 'x') + "\n", Run({"get", "string", "Long"}).out);
  EXPECT_EQ("010203\n", Run({"get", "binary", "Blob", "aabbcc"}).out);
  EXPECT_EQ("aabb\n", Run({"get", "binary", "missing", "AABB"}).out);
  EXPECT_EQ(0, Run({"get", "int", "hex"}).status);
}

TEST_F(TavloConfigTest, RefusesToListAFileWithoutAValidContainer) {
  Run({"set", "binary", "Blob", std::string(2000, 'a')});
  const std::vector<std::uint8_t> good = ReadBytes(file_);
  std::vector<std::uint8_t> version = good;
  version[6] = 2;
  std::vector<std::uint8_t> flipped = good;
  flipped[config::kHeaderSize + 2] ^= 4;
  const std::vector<std::uint8_t> plain(12, 7);

  const std::vector<std::pair<std::vector<std::uint8_t>, const char*>> cases = {
      {{}, "empty"},         {{'X', 'V', 'D', 'B', 0, 0, 1, 0}, "magic"},
      {version, "version"},  {{good.begin(), good.end() - 10}, "short payload"},
      {flipped, "checksum"}, {config_test::CraftImage(plain, 99), "compressed data"},
  };
  for (const auto& [bytes, says] : cases) {
    WriteBytes(file_, bytes);
    const Outcome list = Run({"list"});
    EXPECT_EQ(1, list.status) << says;
    EXPECT_EQ("", list.out) << says;
    EXPECT_NE(std::string::npos, list.err.find(says)) << list.err;
    EXPECT_EQ(1, std::count(list.err.begin(), list.err.end(), '\n')) << says;
  }
  const Outcome missing = RunArgs({(dir_ / "absent.db").string(), "list"});
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find("does not exist"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "absent.db"));
}

TEST_F(TavloConfigTest, KeepsADamagedFileAndSaysWhenItCannotWrite) {
  const std::vector<std::uint8_t> damaged = {'K', 'V', 'D', 'B', 9, 9, 9, 9};
  WriteBytes(file_, damaged);
  const Outcome set = Run({"set", "int", "Autorun", "1"});
  EXPECT_EQ(0, set.status);
  EXPECT_NE(std::string::npos, set.err.find("config.db.bad"));
  EXPECT_EQ(damaged, ReadBytes(file_ + ".bad"));

  config_test::FakeTicks ticks;
  config::CFlushRule flush(&ticks);
  config::CConfigFile holder(file_, &flush);  // another store at work
  ASSERT_TRUE(holder.Open());
  const std::vector<std::uint8_t> before = ReadBytes(file_);
  const Outcome blocked = Run({"set", "int", "Autorun", "2"});
  EXPECT_EQ(1, blocked.status);
  EXPECT_NE(std::string::npos, blocked.err.find("not written"));
  EXPECT_EQ("5\n", Run({"get", "int", "Autorun", "5"}).out) << "a second store sees no records";
  EXPECT_EQ(before, ReadBytes(file_));
  holder.Close();
  EXPECT_EQ("int\tAutorun\t1\n", Run({"list"}).out);
}

TEST_F(TavloConfigTest, RejectsMisuseWithStatus2) {
  const std::vector<std::vector<std::string>> misuse = {
      {},
      {file_, "list", "extra"},
      {file_, "frobnicate", "x"},
      {file_, "get", "float", "K"},
      {file_, "get", "int", "K", "abc"},
      {file_, "set", "int", "K"},
      {file_, "set", "int", "K", "99999999999"},
      {file_, "set", "binary", "K", "abc"},
      {file_, "set", "binary", "K", ""},
      {file_, "set", "string", "K", "\xff\xfe"},
      {file_, "delete"},
  };
  for (const auto& args : misuse) {
    const Outcome outcome = RunArgs(args);
    EXPECT_EQ(2, outcome.status) << ::testing::PrintToString(args);
    EXPECT_NE(std::string::npos, outcome.err.find("usage:"));
    EXPECT_EQ("", outcome.out);
  }
  EXPECT_FALSE(std::filesystem::exists(file_)) << "misuse must not touch the file";
}

}  // namespace
