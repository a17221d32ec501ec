// The hosted network's settings in the program's settings store, as the real backends keep them.
#include "platform/services/stored_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "support/scoped_temp_dir.h"

namespace {

using platform::services::StoredSettings;
using platform::services::WirelessPersistentState;

class StoredSettingsTest : public ::testing::Test {
 protected:
  test::ScopedTempDir dir_;
  config::CConfigCenterImpl store_{dir_.path() / "config.db"};
};

TEST_F(StoredSettingsTest, PersistPrivatelyAcrossInstancesWithTheNameAsItsBytes) {
  const std::string name = "热点-1";
  WirelessPersistentState state;
  state.ssid.uSSIDLength = static_cast<ULONG>(name.size());
  std::memcpy(state.ssid.ucSSID, name.data(), name.size());
  state.enabled = false;
  state.max_peers = 7;
  const char kKey[] = "hotspot-key-1";
  state.key.assign(kKey, kKey + sizeof(kKey));
  ASSERT_TRUE(StoredSettings(&store_).Save(state));

  WirelessPersistentState read;
  read.max_peers = 1;
  StoredSettings(&store_).Load(&read);
  EXPECT_TRUE(platform::services::SameState(read, state));
  // The settings hold the key; nobody else may read them.
  struct stat st {};
  ASSERT_EQ(::stat(store_.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(StoredSettingsTest, ADamagedRecordReadsAsDefaultsAndIsKeptAsideBeforeItIsReplaced) {
  const char kDamaged[] = "ssid=zz\n";
  ASSERT_NE(store_.PutValue(StoredSettings::kKey, kDamaged, sizeof(kDamaged) - 1,
                            config::ValueType::kBinary),
            config::WriteResult::kNotWritten);
  StoredSettings settings(&store_);
  WirelessPersistentState state;
  state.max_peers = 3;
  settings.Load(&state);
  EXPECT_TRUE(platform::services::SameState(state, WirelessPersistentState{}));
  state.max_peers = 9;
  ASSERT_TRUE(settings.Save(state));
  char kept[64] = {};
  EXPECT_EQ(store_.FindValue(StoredSettings::kDamagedKey, kept, sizeof(kept), nullptr),
            static_cast<std::int32_t>(sizeof(kDamaged) - 1));
  EXPECT_STREQ(kept, kDamaged);
  WirelessPersistentState read;
  StoredSettings(&store_).Load(&read);
  EXPECT_EQ(read.max_peers, 9u);
}

TEST_F(StoredSettingsTest, AStoreThatCannotWriteSaysSo) {
  config::CConfigCenterImpl nowhere(dir_.path() / "missing" / "config.db");
  EXPECT_FALSE(StoredSettings(&nowhere).Save(WirelessPersistentState{}));
}

}  // namespace
