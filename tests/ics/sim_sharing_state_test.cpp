// The simulated sharing service's lasting state: the adapter it lists from the first allow on,
// in every run, and the file of roles that only whole valid text passes.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/sim/sim_sharing_service.h"
#include "platform/sim/sim_sharing_store.h"
#include "platform/sim/wireless_service.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace platform;
using platform::sim::SharingStore;
using platform::sim::SimSharingService;

TEST(SimSharingServiceOverTheWirelessService, ListsTheAdapterFromTheFirstAllowOnInEveryRun) {
  test::ScopedTempDir dir;
  auto adapter_status = [](const SimSharingService& service) -> std::optional<NETCON_STATUS> {
    for (const auto& c : service.Connections()) {
      if (c.guid == sim::kVirtualAdapter)
        return c.status;
    }
    return std::nullopt;
  };
  {
    sim::WirelessService wireless(dir.path());
    SimSharingService sharing(wireless, dir.path());
    EXPECT_EQ(adapter_status(sharing), std::nullopt) << "never allowed: no adapter yet";
    ASSERT_EQ(wireless.Allow(true), 0u);
    EXPECT_EQ(adapter_status(sharing), NCS_MEDIA_DISCONNECTED);
  }
  {
    // A later run, after the last one switched the network off: the adapter is still there.
    sim::WirelessService wireless(dir.path());
    SimSharingService sharing(wireless, dir.path());
    ASSERT_EQ(wireless.Allow(false), 0u);
    EXPECT_EQ(adapter_status(sharing), NCS_MEDIA_DISCONNECTED);
  }
  sim::WirelessService wireless(dir.path());
  SimSharingService sharing(wireless, dir.path());
  EXPECT_EQ(adapter_status(sharing), NCS_MEDIA_DISCONNECTED);
  ASSERT_EQ(wireless.Allow(true), 0u);
  HANDLE client = nullptr;
  DWORD version = 0;
  ASSERT_EQ(wireless.WlanOpenHandle(2, nullptr, &version, &client), 0u);
  ASSERT_EQ(wireless.HostedNetworkInitSettings(client, nullptr), 0u);
  const BYTE key[] = "passphrase";
  ASSERT_EQ(wireless.HostedNetworkSetSecondaryKey(client, sizeof(key), key, TRUE, TRUE, nullptr),
            0u);
  ASSERT_EQ(wireless.Start(), 0u);
  EXPECT_EQ(adapter_status(sharing), NCS_CONNECTED);
  EXPECT_EQ(wireless.ActiveVirtualAdapter(), sim::kVirtualAdapter) << "the same GUID";
  ASSERT_EQ(wireless.Stop(), 0u);
  EXPECT_EQ(adapter_status(sharing), NCS_MEDIA_DISCONNECTED);
  wireless.WlanCloseHandle(client, nullptr);
}

TEST(SharingStoreParse, AcceptsOnlyWholeValidFiles) {
  const std::string a = "{11111111-2222-3333-4444-555555555501}";
  const std::string b = "{11111111-2222-3333-4444-555555555502}";
  EXPECT_TRUE(SharingStore::Parse("tavlo-sim sharing 1"));
  EXPECT_TRUE(SharingStore::Parse("tavlo-sim sharing 1\r\n" + a + " public\r\n"));
  const std::string bad[] = {
      "",
      "tavlo-sim sharing 2\n",
      "tavlo-sim sharing 1\n\n",
      "tavlo-sim sharing 1\n" + a + " public\n" + b + " public\n",
      "tavlo-sim sharing 1\n" + a + " public\n" + a + " private\n",
      "tavlo-sim sharing 1\n" + a + " shared\n",
      "tavlo-sim sharing 1\n" + a + "public\n",
      std::string("tavlo-sim sharing 1\n\0", 21),
  };
  for (const std::string& text : bad)
    EXPECT_FALSE(SharingStore::Parse(text)) << text;
  SharingStore::Parse("tavlo-sim sharing 1\n" + a + " public\n" + b + " private\n").value();
}

}  // namespace
