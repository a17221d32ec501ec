// What the simulated system does with state files that are not what it wrote: entries that are
// not regular files, files of any size, and files it cannot read. Both of its state files go
// through the same reader; each case runs against both.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "base/guid.h"
#include "platform/sim/sim_sharing_store.h"
#include "platform/sim/state_file_reader.h"
#include "platform/sim/wireless_service.h"
#include "platform/sim/wireless_state_file.h"
#include "support/scoped_temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::sim::SharingRoles;
using platform::sim::SharingStore;
using platform::sim::StateFileRead;
using platform::sim::WirelessPersistentState;
using platform::sim::WirelessService;
using platform::sim::WirelessStateFile;
using Outcome = StateFileRead::Outcome;

constexpr GUID kSomeConnection = {0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 1}};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `load` on another thread and gives up waiting after a bound, so a FIFO that blocks the
// reader fails the test instead of hanging it. The thread is left behind only then.
template <class Load>
bool FinishesInTime(Load load) {
  auto done = std::async(std::launch::async, load).share();
  auto* keep = new std::shared_future<void>(done);  // a stuck thread must not block the end
  const bool finished = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (finished)
    delete keep;
  return finished;
}

// Where the entry is, and a way to make it.
struct Hazard {
  const char* name;
  void (*make)(const fs::path& path);
};

const Hazard kHazards[] = {
    {"folder", [](const fs::path& p) { fs::create_directory(p); }},
    {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
    {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
    {"oversize",
     [](const fs::path& p) {
       std::ofstream out(p, std::ios::binary);
       out << "# tavlo-sim wireless service state\n" << std::string(1 << 20, '#') << "\n";
     }},
};

class StateFileHazardTest : public ::testing::TestWithParam<Hazard> {
 protected:
  test::ScopedTempDir dir_;
};

TEST_P(StateFileHazardTest, WirelessStateReadsAsDefaultsAndIsSetAsideAtTheNextChange) {
  const fs::path path = dir_.path() / WirelessService::kStateFileName;
  GetParam().make(path);
  fs::create_directories(dir_.path() / "unrelated");
  std::ofstream(dir_.path() / "unrelated" / "data") << "the user's";

  std::unique_ptr<WirelessService> service;
  ASSERT_TRUE(FinishesInTime([&] { service = std::make_unique<WirelessService>(dir_.path()); }));
  EXPECT_TRUE(service->GetSnapshot().enabled);  // the default
  EXPECT_EQ(service->GetSnapshot().settings.hostedNetworkSSID.uSSIDLength, 0u);

  ASSERT_EQ(service->Allow(false), 0u);
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
  const fs::path aside = path.string() + ".damaged";
  EXPECT_TRUE(fs::exists(fs::symlink_status(aside)));
  EXPECT_EQ(ReadAll(dir_.path() / "unrelated" / "data"), "the user's");
  service.reset();
  EXPECT_FALSE(WirelessService(dir_.path()).GetSnapshot().enabled);
}

TEST_P(StateFileHazardTest, SharingStateReadsAsNothingSharedAndIsSetAsideAtTheNextSave) {
  SharingStore store(dir_.path());
  GetParam().make(store.path());
  SharingRoles roles{{kSomeConnection, platform::ICSSHARINGTYPE_PUBLIC}};
  ASSERT_TRUE(FinishesInTime([&] { roles = store.Load(); }));
  EXPECT_TRUE(roles.empty());
  EXPECT_TRUE(store.damaged());

  ASSERT_EQ(store.Save({{kSomeConnection, platform::ICSSHARINGTYPE_PRIVATE}}), 0);
  EXPECT_TRUE(fs::exists(fs::symlink_status(store.path().string() + ".damaged")));
  SharingStore reread(dir_.path());
  EXPECT_EQ(reread.Load().at(kSomeConnection), platform::ICSSHARINGTYPE_PRIVATE);
}

INSTANTIATE_TEST_SUITE_P(Entries,
                         StateFileHazardTest,
                         ::testing::ValuesIn(kHazards),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST(StateFileReaderTest, ReadsUpToTheLimitAndNoFurther) {
  test::ScopedTempDir dir;
  const fs::path path = dir.path() / "state";
  std::ofstream(path, std::ios::binary) << std::string(100, 'x');
  StateFileRead read = platform::sim::ReadStateFile(path, 100);
  EXPECT_EQ(read.outcome, Outcome::kRead);
  EXPECT_EQ(read.text.size(), 100u);
  EXPECT_EQ(platform::sim::ReadStateFile(path, 99).outcome, Outcome::kDamaged);
  EXPECT_EQ(platform::sim::ReadStateFile(dir.path() / "absent", 99).outcome, Outcome::kMissing);
  // A folder on the way to the file is a file that is not there.
  EXPECT_EQ(platform::sim::ReadStateFile(path / "below", 99).outcome, Outcome::kMissing);
}

TEST(StateFileReaderTest, SettingAsideNeverReplacesAnEarlierDamagedFile) {
  test::ScopedTempDir dir;
  const fs::path path = dir.path() / "state";
  for (const char* text : {"first", "second", "third"}) {
    std::ofstream(path) << text;
    ASSERT_TRUE(platform::sim::SetAsideDamaged(path));
    EXPECT_FALSE(fs::exists(path));
  }
  EXPECT_EQ(ReadAll(path.string() + ".damaged"), "first");
  EXPECT_EQ(ReadAll(path.string() + ".damaged-2"), "second");
  EXPECT_EQ(ReadAll(path.string() + ".damaged-3"), "third");
  EXPECT_TRUE(platform::sim::SetAsideDamaged(path)) << "nothing there: nothing to do";
}

// Root reads every file whatever its mode, so the failure comes from a stand-in for open(2).
platform::sim::StateFileOpener FailingWith(int error) {
  return [error](const char*, int) {
    errno = error;
    return -1;
  };
}

TEST(StateFileUnreadableTest, WirelessStateIsNeitherUsedNorOverwritten) {
  test::ScopedTempDir dir;
  const fs::path path = dir.path() / WirelessService::kStateFileName;
  WirelessPersistentState mine;
  mine.enabled = false;
  mine.key = {'k', 'e', 'e', 'p', '-', 'm', 'i', 'n', 'e', 0};
  ASSERT_TRUE(WirelessStateFile(path).Save(mine));
  const std::string before = ReadAll(path);

  for (int error : {EACCES, EIO}) {
    WirelessStateFile file(path, FailingWith(error));
    WirelessPersistentState state;
    EXPECT_EQ(file.Load(&state), WirelessStateFile::LoadResult::kUnreadable);
    EXPECT_TRUE(state.key.empty());
    EXPECT_FALSE(file.Save(state));
  }
  {
    WirelessService service(dir.path(), FailingWith(EACCES));
    WLAN_HOSTED_NETWORK_REASON reason{};
    HANDLE client = nullptr;
    DWORD version = 0;
    ASSERT_EQ(service.WlanOpenHandle(2, nullptr, &version, &client), 0u);
    EXPECT_EQ(service.HostedNetworkInitSettings(client, &reason), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reason, wlan_hosted_network_reason_persistence_failed);
    EXPECT_EQ(service.Allow(false), ERROR_ACCESS_DENIED);
    service.WlanCloseHandle(client, nullptr);
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_FALSE(fs::exists(path.string() + ".damaged"));
  EXPECT_EQ(WirelessService(dir.path()).GetSnapshot().key.bytes, mine.key);
}

TEST(StateFileUnreadableTest, SharingStateIsNeitherUsedNorOverwritten) {
  test::ScopedTempDir dir;
  SharingStore writer(dir.path());
  ASSERT_EQ(writer.Save({{kSomeConnection, platform::ICSSHARINGTYPE_PUBLIC}}), 0);
  const std::string before = ReadAll(writer.path());

  SharingStore store(dir.path(), FailingWith(EIO));
  EXPECT_TRUE(store.Load().empty());
  EXPECT_EQ(store.unreadable(), EIO);
  EXPECT_FALSE(store.damaged());
  EXPECT_EQ(store.Save({}), EIO);
  EXPECT_EQ(ReadAll(writer.path()), before);
  EXPECT_EQ(SharingStore(dir.path()).Load().size(), 1u);
}

}  // namespace
