#include "ics/ics_manager.h"

#include <gtest/gtest.h>

#include "ics/netshell_binding.h"
#include "platform/sim/sim_sharing_service.h"
#include "support/scoped_temp_dir.h"
#include "test_view.h"

namespace {

using namespace platform;
using ics::CIcsConnectionInfo;
using ics::CIcsManager;
using ics_test::TestView;
using platform::sim::SharingCall;
using platform::sim::SimConnection;
using platform::sim::SimSharingService;

const GUID kWired = SimSharingService::WiredGuid();
const GUID kDialUp = {0x0D1A1B00, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
const HRESULT kServiceFailure = static_cast<HRESULT>(0x80040201);

class IcsManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { service_ = std::make_unique<SimSharingService>(view_, dir_); }
  void TearDown() override {
    manager_.reset();
    ics::UnbindNetshell();
    EXPECT_EQ(service_->LoadedBackendCount(), 0);
    service_.reset();
    // Every properties record the manager was handed went back through the backend.
    EXPECT_EQ(SimSharingService::OutstandingProperties(), 0);
  }

  HRESULT Init() { return ics::InitSharingManager(*service_, &manager_); }

  const ics::CIcsConnection& Entry(const GUID& guid) {
    for (int i = 0; i < manager_->connection_count(); ++i) {
      if (manager_->connection(i).guid() == guid)
        return manager_->connection(i);
    }
    ADD_FAILURE() << "no entry " << base::GuidToString(guid);
    return manager_->connection(0);
  }

  int Changes() {
    return service_->CallCount(SharingCall::kEnableSharing) +
           service_->CallCount(SharingCall::kDisableSharing);
  }

  TestView view_;
  test::ScopedTempDir temp_;
  const std::filesystem::path dir_ = temp_.path();
  std::unique_ptr<SimSharingService> service_;
  std::unique_ptr<CIcsManager> manager_;
};

TEST_F(IcsManagerTest, InitBuildsTheTableAndSnapshots) {
  ASSERT_EQ(Init(), S_OK);
  EXPECT_TRUE(ics::IsNetshellBound());
  EXPECT_TRUE(manager_->sharing_installed());
  ASSERT_EQ(manager_->connection_count(), 3);

  // Unplugged cable: not disconnected in the service's sense, so sharable but not connected.
  const auto& wired = Entry(kWired);
  EXPECT_TRUE(wired.sharable());
  EXPECT_FALSE(wired.connected());
  const auto& wireless = Entry(TestView::kWireless);
  EXPECT_EQ(wireless.index(), 1);
  EXPECT_EQ(wireless.name(), u"WLAN");
  EXPECT_TRUE(wireless.sharable());
  EXPECT_TRUE(wireless.connected());
  EXPECT_FALSE(wireless.enabled());

  CRefObjectList<CIcsConnectionInfo> infos;
  manager_->GetConnectionInfos(infos);
  manager_->GetConnectionInfos(infos);
  ASSERT_EQ(infos.GetCount(), 3u) << "the list is replaced, not appended to";
  EXPECT_EQ(infos.GetAt(2)->guid(), TestView::kAdapter);
  EXPECT_EQ(infos.GetAt(2)->device_name(), u"Microsoft Hosted Network Virtual Adapter");
  EXPECT_TRUE(infos.GetAt(2)->connected());
  EXPECT_EQ(infos.GetAt(2)->RefCount(), 1);

  EXPECT_EQ(manager_->EnumerateConnections(), E_UNEXPECTED) << "a service manager is held";
}

TEST_F(IcsManagerTest, InitFailuresLeaveNetshellUnbound) {
  service_->SetInstalled(false);
  EXPECT_EQ(Init(), E_UNEXPECTED);
  EXPECT_FALSE(manager_);
  EXPECT_FALSE(ics::IsNetshellBound());
  service_->SetInstalled(true);

  service_->SetBackendLoadError(ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(Init(), HresultFromWin32(ERROR_MOD_NOT_FOUND));
  service_->SetBackendLoadError(0);
  service_->SetBackendLookupError(ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(Init(), HresultFromWin32(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(service_->LoadedBackendCount(), 0) << "a failed look-up unloads the module";
  service_->SetBackendLookupError(0);

  const SharingCall calls[] = {SharingCall::kCreateInstance,
                               SharingCall::kGetSharingInstalled,
                               SharingCall::kGetEnumEveryConnection,
                               SharingCall::kNewEnum,
                               SharingCall::kNext,
                               SharingCall::kReset,
                               SharingCall::kGetProperties,
                               SharingCall::kGetConfiguration,
                               SharingCall::kGetSharingEnabled};
  for (SharingCall call : calls) {
    service_->FailCall(call, kServiceFailure, 1);
    EXPECT_EQ(Init(), kServiceFailure) << sim::SharingCallName(call);
    EXPECT_FALSE(manager_);
    EXPECT_FALSE(ics::IsNetshellBound());
  }
  EXPECT_EQ(Init(), S_OK);
}

TEST_F(IcsManagerTest, MoreConnectionsInTheSecondPassIsUnexpected) {
  service_->ListMoreAfterNextReset(1);
  EXPECT_EQ(Init(), E_UNEXPECTED);
  EXPECT_FALSE(ics::IsNetshellBound());
}

TEST_F(IcsManagerTest, OnlyConnectedLanConnectionsAreSharable) {
  // A machine on dial-up only: nothing the service can share from.
  service_->SetStatus(kWired, NCS_DISCONNECTED);
  service_->SetStatus(TestView::kWireless, NCS_DISCONNECTED);
  service_->AddConnection(SimConnection{kDialUp, u"宽带连接", u"WAN Miniport (PPPOE)",
                                        NCS_CONNECTED, NCM_PPPOE, false});
  view_.SetInstalled(false);
  ASSERT_EQ(Init(), S_OK);
  ASSERT_EQ(manager_->connection_count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(manager_->connection(i).sharable()) << i;
  EXPECT_EQ(manager_->ShareInternet(kDialUp, kWired), E_INVALIDARG);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kWireless), E_INVALIDARG);
  EXPECT_EQ(service_->CallCount(SharingCall::kGetConfiguration), 0);

  // Still connecting: sharable, but not connected.
  service_->SetStatus(TestView::kWireless, NCS_CONNECTING);
  ASSERT_EQ(manager_->ResetConnections(), S_OK);
  EXPECT_TRUE(Entry(TestView::kWireless).sharable());
  EXPECT_FALSE(Entry(TestView::kWireless).connected());
}

TEST_F(IcsManagerTest, NoConnectionsGivesAnEmptyTable) {
  service_->RemoveConnection(kWired);
  service_->RemoveConnection(TestView::kWireless);
  view_.SetInstalled(false);
  ASSERT_EQ(Init(), S_OK);
  EXPECT_EQ(manager_->connection_count(), 0);
  int index = -1;
  EXPECT_EQ(manager_->FindConnection(kWired, &index), E_INVALIDARG);
  manager_->DisableAllSharing();
  CRefObjectList<CIcsConnectionInfo> infos;
  manager_->GetConnectionInfos(infos);
  EXPECT_EQ(infos.GetCount(), 0u);
}

TEST_F(IcsManagerTest, ShareInternetSharesAndThenLeavesARightPairAlone) {
  ASSERT_EQ(Init(), S_OK);
  ASSERT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), S_OK);
  EXPECT_EQ(service_->Role(TestView::kWireless), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(service_->Role(TestView::kAdapter), ICSSHARINGTYPE_PRIVATE);
  EXPECT_TRUE(Entry(TestView::kWireless).is_public());
  EXPECT_TRUE(Entry(TestView::kAdapter).is_private());

  int changes = Changes();
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), S_OK);
  EXPECT_EQ(Changes(), changes);

  manager_->DisableAllSharing();
  EXPECT_FALSE(service_->Role(TestView::kWireless));
  EXPECT_FALSE(service_->Role(TestView::kAdapter));
  EXPECT_FALSE(Entry(TestView::kAdapter).enabled());
}

TEST_F(IcsManagerTest, AnotherConnectionSharedFirstIsReplaced) {
  // An earlier run shared the wired connection onto the adapter; the sharing survived it.
  service_->SetStatus(kWired, NCS_CONNECTED);
  ASSERT_EQ(Init(), S_OK);
  ASSERT_EQ(manager_->ShareInternet(kWired, TestView::kAdapter), S_OK);
  manager_.reset();
  ics::UnbindNetshell();
  service_ = std::make_unique<SimSharingService>(view_, dir_);
  service_->SetStatus(kWired, NCS_CONNECTED);
  ASSERT_EQ(Init(), S_OK);
  EXPECT_TRUE(Entry(kWired).is_public());
  EXPECT_TRUE(Entry(TestView::kAdapter).is_private());

  // The private side is refused: the public side was switched first and stays switched.
  service_->FailCall(SharingCall::kEnableSharing, kServiceFailure, 1, /*after=*/1);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), kServiceFailure);
  EXPECT_EQ(service_->Role(TestView::kWireless), ICSSHARINGTYPE_PUBLIC);
  EXPECT_FALSE(service_->Role(kWired));
  EXPECT_FALSE(service_->Role(TestView::kAdapter));
  EXPECT_EQ(service_->CallCount(SharingCall::kDisableSharing), 2);

  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), S_OK);
  EXPECT_EQ(service_->Role(TestView::kAdapter), ICSSHARINGTYPE_PRIVATE);
}

TEST_F(IcsManagerTest, ShareInternetPassesFailuresOn) {
  ASSERT_EQ(Init(), S_OK);
  service_->FailCall(SharingCall::kEnableSharing, kServiceFailure, 1);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), kServiceFailure);
  EXPECT_FALSE(service_->Role(TestView::kWireless));
  EXPECT_FALSE(service_->Role(TestView::kAdapter)) << "nothing private without a public side";

  // DisableAllSharing absorbs a refused disable; the public side's own disable reports it.
  ASSERT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), S_OK);
  service_->FailCall(SharingCall::kDisableSharing, E_ACCESSDENIED, SimSharingService::kForever);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, kWired), E_ACCESSDENIED);
  // The service's refusal to hand the public role over is passed on too.
  EXPECT_EQ(manager_->ShareInternet(kWired, TestView::kAdapter), sim::kSharingRoleTaken);
  service_->ClearFaults();

  // The same GUID on both sides ends up private.
  EXPECT_EQ(manager_->ShareInternet(kWired, kWired), S_OK);
  EXPECT_EQ(service_->Role(kWired), ICSSHARINGTYPE_PRIVATE);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kWireless), S_OK);
  EXPECT_EQ(service_->Role(TestView::kWireless), ICSSHARINGTYPE_PRIVATE);
  EXPECT_FALSE(service_->Role(kWired));
}

TEST_F(IcsManagerTest, FailedResetLeavesNoTableToWalk) {
  ASSERT_EQ(Init(), S_OK);
  // The counting pass fails after two items: no entry may be left to walk over.
  service_->FailCall(SharingCall::kNext, kServiceFailure, 1, /*after=*/2);
  EXPECT_EQ(manager_->ResetConnections(), kServiceFailure);
  EXPECT_EQ(manager_->connection_count(), 0);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), E_INVALIDARG);
  manager_->DisableAllSharing();

  service_->FailCall(SharingCall::kReset, kServiceFailure, 1);
  EXPECT_EQ(manager_->ResetConnections(), kServiceFailure);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), E_INVALIDARG);

  // The filling pass fails on its second item: the first entry stays, the rest are empty.
  service_->FailCall(SharingCall::kGetProperties, kServiceFailure, 1, /*after=*/1);
  EXPECT_EQ(manager_->ResetConnections(), kServiceFailure);
  EXPECT_EQ(manager_->connection_count(), 3);
  EXPECT_TRUE(manager_->connection(0).sharable());
  EXPECT_FALSE(manager_->connection(1).sharable());
  CRefObjectList<CIcsConnectionInfo> infos;
  manager_->GetConnectionInfos(infos);
  EXPECT_EQ(infos.GetCount(), 2u) << "an entry that was never attached is no connection";

  // An adapter installed after the table was taken: only a reset sees it.
  view_.SetInstalled(false);
  ASSERT_EQ(manager_->ResetConnections(), S_OK);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), E_INVALIDARG);
  view_.SetActive(true);
  ASSERT_EQ(manager_->ResetConnections(), S_OK);
  EXPECT_EQ(manager_->ShareInternet(TestView::kWireless, TestView::kAdapter), S_OK);
}

TEST_F(IcsManagerTest, AttachChecksItsArguments) {
  ASSERT_EQ(Init(), S_OK);
  ics::CIcsConnection entry;
  EXPECT_EQ(entry.Attach(manager_.get(), nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(entry.Attach(nullptr, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(entry.RefreshState(), E_UNEXPECTED);
  EXPECT_EQ(manager_->connection(0).Attach(manager_.get(), nullptr, 0), E_UNEXPECTED);
}

}  // namespace
