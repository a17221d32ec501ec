#include "platform/sim/sim_sharing_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/sharing_ptr.h"
#include "platform/sim/wireless_service.h"
#include "support/scoped_temp_dir.h"
#include "test_view.h"

namespace {

using namespace platform;
using ics_test::TestView;
using platform::sim::SharingCall;
using platform::sim::SharingStore;
using platform::sim::SimSharingService;

class SimSharingServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { service_ = std::make_unique<SimSharingService>(view_, dir_); }
  void TearDown() override { service_.reset(); }

  ComPtr<INetSharingManager> Manager() {
    void* object = nullptr;
    EXPECT_EQ(service_->CreateInstance(CLSID_NetSharingManager, nullptr, CLSCTX_ALL,
                                       IID_INetSharingManager, &object),
              S_OK);
    return ComPtr<INetSharingManager>::Adopt(static_cast<INetSharingManager*>(object));
  }

  ComPtr<IEnumNetSharingEveryConnection> Enumerator() {
    ComPtr<INetSharingEveryConnectionCollection> collection;
    EXPECT_EQ(Manager()->get_EnumEveryConnection(collection.Receive()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(collection->get__NewEnum(unknown.Receive()), S_OK);
    ComPtr<IEnumNetSharingEveryConnection> enumerator;
    EXPECT_EQ(QueryInto(unknown.get(), IID_IEnumNetSharingEveryConnection, &enumerator), S_OK);
    return enumerator;
  }

  // Every connection the enumerator lists, in order.
  std::vector<ComPtr<INetConnection>> List(IEnumNetSharingEveryConnection* enumerator) {
    std::vector<ComPtr<INetConnection>> list;
    VARIANT item;
    while (enumerator->Next(1, &item, nullptr) == S_OK) {
      ComPtr<INetConnection> connection;
      EXPECT_EQ(QueryInto(item.punkVal, IID_INetConnection, &connection), S_OK);
      VariantClear(&item);
      list.push_back(connection);
    }
    return list;
  }

  ComPtr<INetSharingConfiguration> Configuration(const GUID& guid) {
    for (auto& connection : List(Enumerator().get())) {
      NETCON_PROPERTIES* p = nullptr;
      EXPECT_EQ(connection->GetProperties(&p), S_OK);
      bool match = p->guidId == guid;
      GetFree()(p);
      if (match) {
        ComPtr<INetSharingConfiguration> configuration;
        EXPECT_EQ(Manager()->get_INetSharingConfigurationForINetConnection(connection.get(),
                                                                           configuration.Receive()),
                  S_OK);
        return configuration;
      }
    }
    ADD_FAILURE() << "no connection " << base::GuidToString(guid);
    return {};
  }

  PFN_NcFreeNetconProperties GetFree() {
    DWORD error = 0;
    SharingBackendModule* module = service_->LoadBackend(u"netshell.dll", &error);
    PFN_NcFreeNetconProperties free =
        service_->GetBackendProc(module, "NcFreeNetconProperties", &error);
    service_->FreeBackend(module);
    return free;
  }

  std::string ReadStateFile() {
    std::ifstream in(service_->StateFile());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TestView view_;
  test::ScopedTempDir temp_;
  const std::filesystem::path dir_ = temp_.path();
  std::unique_ptr<SimSharingService> service_;
};

TEST_F(SimSharingServiceTest, ListsTheAdapterOnceInstalledConnectedOnlyWhileActive) {
  auto connections = service_->Connections();
  ASSERT_EQ(connections.size(), 3u);
  EXPECT_EQ(connections[0].guid, SimSharingService::WiredGuid());
  EXPECT_EQ(connections[0].status, NCS_MEDIA_DISCONNECTED);
  EXPECT_EQ(connections[1].guid, TestView::kWireless);
  EXPECT_EQ(connections[1].name, u"WLAN");
  EXPECT_EQ(connections[1].status, NCS_CONNECTED);
  EXPECT_EQ(connections[2].guid, TestView::kAdapter);
  EXPECT_EQ(connections[2].device_name, u"Microsoft Hosted Network Virtual Adapter");
  EXPECT_EQ(connections[2].status, NCS_CONNECTED);
  for (const auto& c : connections)
    EXPECT_EQ(c.media_type, NCM_LAN);

  // Stopped, the adapter stays listed with its GUID, media disconnected: still sharable, so a
  // table taken before the network starts can already share onto it.
  view_.SetActive(false);
  connections = service_->Connections();
  ASSERT_EQ(connections.size(), 3u);
  EXPECT_EQ(connections[2].guid, TestView::kAdapter);
  EXPECT_EQ(connections[2].status, NCS_MEDIA_DISCONNECTED);
  ASSERT_EQ(Configuration(TestView::kAdapter)->EnableSharing(ICSSHARINGTYPE_PRIVATE), S_OK);

  // Before the first allow there is no adapter at all.
  ComPtr<IEnumNetSharingEveryConnection> enumerator = Enumerator();
  view_.SetInstalled(false);
  EXPECT_EQ(List(enumerator.get()).size(), 3u) << "an enumerator lists what it saw when made";
  ASSERT_EQ(enumerator->Reset(), S_OK);
  auto after = List(enumerator.get());
  ASSERT_EQ(after.size(), 2u);

  // A connection object for a vanished adapter reports it as not present.
  view_.SetActive(true);
  auto before = List(Enumerator().get());
  view_.SetInstalled(false);
  NETCON_PROPERTIES* p = nullptr;
  ASSERT_EQ(before[2]->GetProperties(&p), S_OK);
  EXPECT_EQ(p->Status, NCS_HARDWARE_NOT_PRESENT);
  GetFree()(p);
  EXPECT_EQ(SimSharingService::OutstandingProperties(), 0);
}

TEST_F(SimSharingServiceTest, EnumeratorNextFillsAndReportsTheEnd) {
  ComPtr<IEnumNetSharingEveryConnection> enumerator = Enumerator();
  VARIANT items[4];
  ULONG fetched = 99;
  EXPECT_EQ(enumerator->Next(4, items, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 3u);
  for (ULONG i = 0; i < fetched; ++i) {
    EXPECT_EQ(items[i].vt, VT_UNKNOWN);
    VariantClear(&items[i]);
  }
  EXPECT_EQ(enumerator->Next(1, items, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(enumerator->Next(1, nullptr, &fetched), E_POINTER);
}

TEST_F(SimSharingServiceTest, OnePublicAndOnePrivateAtMost) {
  auto wired = Configuration(SimSharingService::WiredGuid());
  auto wireless = Configuration(TestView::kWireless);
  auto adapter = Configuration(TestView::kAdapter);

  ASSERT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PUBLIC), S_OK);
  EXPECT_EQ(wired->EnableSharing(ICSSHARINGTYPE_PUBLIC), sim::kSharingRoleTaken);
  EXPECT_EQ(service_->Role(TestView::kWireless), ICSSHARINGTYPE_PUBLIC);
  EXPECT_FALSE(service_->Role(SimSharingService::WiredGuid()));

  ASSERT_EQ(adapter->EnableSharing(ICSSHARINGTYPE_PRIVATE), S_OK);
  EXPECT_EQ(wired->EnableSharing(ICSSHARINGTYPE_PRIVATE), sim::kSharingRoleTaken);
  EXPECT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PRIVATE), sim::kSharingRoleTaken);
  EXPECT_EQ(wired->EnableSharing(static_cast<SHARINGCONNECTIONTYPE>(2)), E_INVALIDARG);

  SHARINGCONNECTIONTYPE type{};
  VARIANT_BOOL enabled = VARIANT_FALSE;
  EXPECT_EQ(adapter->get_SharingEnabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(adapter->get_SharingConnectionType(&type), S_OK);
  EXPECT_EQ(type, ICSSHARINGTYPE_PRIVATE);
  EXPECT_EQ(wired->get_SharingConnectionType(&type), E_UNEXPECTED) << "not shared: no role";

  // A role moves only after the holder lets go.
  ASSERT_EQ(wireless->DisableSharing(), S_OK);
  EXPECT_EQ(wired->EnableSharing(ICSSHARINGTYPE_PUBLIC), S_OK);
  EXPECT_EQ(wired->DisableSharing(), S_OK);
  EXPECT_EQ(wired->DisableSharing(), S_OK) << "disabling twice is harmless";

  // Sharing cannot be switched on for an adapter that is gone, but can be switched off.
  view_.SetInstalled(false);
  ASSERT_EQ(adapter->DisableSharing(), S_OK);
  EXPECT_EQ(adapter->EnableSharing(ICSSHARINGTYPE_PRIVATE), sim::kConnectionGone);
}

TEST_F(SimSharingServiceTest, RolesSurviveANewServiceAndShowInCharacteristics) {
  ASSERT_EQ(Configuration(TestView::kWireless)->EnableSharing(ICSSHARINGTYPE_PUBLIC), S_OK);
  ASSERT_EQ(Configuration(TestView::kAdapter)->EnableSharing(ICSSHARINGTYPE_PRIVATE), S_OK);
  EXPECT_EQ(ReadStateFile(), "tavlo-sim sharing 1\n" + base::GuidToString(TestView::kWireless) +
                                 " public\n" + base::GuidToString(TestView::kAdapter) +
                                 " private\n");

  service_ = std::make_unique<SimSharingService>(view_, dir_);
  EXPECT_EQ(service_->Role(TestView::kWireless), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(service_->Role(TestView::kAdapter), ICSSHARINGTYPE_PRIVATE);
  auto list = List(Enumerator().get());
  DWORD character[3];
  for (int i = 0; i < 3; ++i) {
    NETCON_PROPERTIES* p = nullptr;
    ASSERT_EQ(list[i]->GetProperties(&p), S_OK);
    character[i] = p->dwCharacter;
    GetFree()(p);
  }
  EXPECT_EQ(character[0] & (NCCF_SHARED | NCCF_SHARED_PRIVATE), 0u);
  EXPECT_EQ(character[1] & (NCCF_SHARED | NCCF_SHARED_PRIVATE), NCCF_SHARED);
  EXPECT_EQ(character[2] & (NCCF_SHARED | NCCF_SHARED_PRIVATE), NCCF_SHARED_PRIVATE);
}

TEST_F(SimSharingServiceTest, DamagedFileReadsAsNothingSharedAndIsKeptAside) {
  const std::string damaged = "tavlo-sim sharing 1\n{not a guid} public\n";
  std::filesystem::create_directories(dir_);
  std::ofstream(dir_ / SharingStore::kFileName) << damaged;

  service_ = std::make_unique<SimSharingService>(view_, dir_);
  EXPECT_TRUE(service_->StateFileDamaged());
  EXPECT_FALSE(service_->Role(TestView::kWireless));
  auto wireless = Configuration(TestView::kWireless);
  ASSERT_EQ(wireless->DisableSharing(), S_OK);
  EXPECT_EQ(ReadStateFile(), damaged) << "reading and no-op calls leave the file alone";

  ASSERT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PUBLIC), S_OK);
  EXPECT_FALSE(service_->StateFileDamaged());
  std::ifstream kept(dir_ / "sharing.state.damaged");
  std::stringstream text;
  text << kept.rdbuf();
  EXPECT_EQ(text.str(), damaged);
  EXPECT_EQ(SimSharingService(view_, dir_).Role(TestView::kWireless), ICSSHARINGTYPE_PUBLIC);
}

TEST_F(SimSharingServiceTest, UnwritableStateKeepsTheRoleUnchanged) {
  std::ofstream(dir_ / "blocker") << "a file where the folder should be";
  service_ = std::make_unique<SimSharingService>(view_, dir_ / "blocker");
  HRESULT hr = Configuration(TestView::kWireless)->EnableSharing(ICSSHARINGTYPE_PUBLIC);
  EXPECT_TRUE(FAILED(hr)) << base::HresultToString(hr);
  EXPECT_FALSE(service_->Role(TestView::kWireless));
}

TEST_F(SimSharingServiceTest, FaultsFailTheNamedCallAfterSkipsAndCountsCalls) {
  EXPECT_EQ(sim::SharingCallFromName("EnableSharing"), SharingCall::kEnableSharing);
  EXPECT_EQ(sim::SharingCallName(SharingCall::kNewEnum), "get__NewEnum");
  EXPECT_FALSE(sim::SharingCallFromName("Bogus"));

  const HRESULT code = static_cast<HRESULT>(0x80040201);
  auto wireless = Configuration(TestView::kWireless);
  service_->FailCall(SharingCall::kEnableSharing, code, 2, /*after=*/1);
  EXPECT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PUBLIC), S_OK);
  EXPECT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PUBLIC), code);
  EXPECT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PUBLIC), code);
  EXPECT_EQ(wireless->EnableSharing(ICSSHARINGTYPE_PUBLIC), S_OK);
  EXPECT_EQ(service_->CallCount(SharingCall::kEnableSharing), 4);

  service_->FailCall(SharingCall::kCreateInstance, E_ACCESSDENIED, SimSharingService::kForever);
  void* object = nullptr;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(service_->CreateInstance(CLSID_NetSharingManager, nullptr, CLSCTX_ALL,
                                       IID_INetSharingManager, &object),
              E_ACCESSDENIED);
  }
  service_->ClearFaults();
  EXPECT_EQ(service_->CreateInstance(CLSID_NetSharingManager, nullptr, CLSCTX_ALL,
                                     IID_INetConnection, &object),
            E_NOINTERFACE);
  EXPECT_EQ(service_->CreateInstance(IID_INetConnection, nullptr, CLSCTX_ALL,
                                     IID_INetSharingManager, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
}

TEST_F(SimSharingServiceTest, BackendBindingFailsOnRequest) {
  DWORD error = 0;
  service_->SetBackendLoadError(ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(service_->LoadBackend(u"netshell.dll", &error), nullptr);
  EXPECT_EQ(error, ERROR_MOD_NOT_FOUND);
  service_->SetBackendLoadError(0);
  EXPECT_EQ(service_->LoadBackend(u"other.dll", &error), nullptr);

  SharingBackendModule* module = service_->LoadBackend(u"netshell.dll", &error);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(service_->LoadedBackendCount(), 1);
  EXPECT_EQ(service_->GetBackendProc(module, "NcFreeNetconPropertiesX", &error), nullptr);
  EXPECT_EQ(error, ERROR_PROC_NOT_FOUND);
  service_->SetBackendLookupError(ERROR_INVALID_PARAMETER);
  EXPECT_EQ(service_->GetBackendProc(module, "NcFreeNetconProperties", &error), nullptr);
  EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
  service_->FreeBackend(module);
  service_->FreeBackend(module);
  EXPECT_EQ(service_->LoadedBackendCount(), 0);
}

TEST_F(SimSharingServiceTest, ListsMoreAfterOneReset) {
  service_->ListMoreAfterNextReset(2);
  ComPtr<IEnumNetSharingEveryConnection> enumerator = Enumerator();
  EXPECT_EQ(List(enumerator.get()).size(), 3u);
  ASSERT_EQ(enumerator->Reset(), S_OK);
  auto more = List(enumerator.get());
  ASSERT_EQ(more.size(), 5u);
  NETCON_PROPERTIES* p = nullptr;
  ASSERT_EQ(more[4]->GetProperties(&p), S_OK);
  EXPECT_EQ(p->MediaType, NCM_LAN);
  EXPECT_EQ(std::u16string(p->pszwName), u"以太网 3");
  GetFree()(p);
  ASSERT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(List(enumerator.get()).size(), 3u) << "the extra connections come once";
}

// Several threads switch sharing at once; the stored roles must stay consistent and every
// refused enable must be the role rule, not a torn state.
TEST_F(SimSharingServiceTest, ConcurrentCallsKeepTheRoleRule) {
  const GUID guids[] = {SimSharingService::WiredGuid(), TestView::kWireless, TestView::kAdapter};
  std::vector<ComPtr<INetSharingConfiguration>> configurations;
  for (const GUID& guid : guids)
    configurations.push_back(Configuration(guid));

  std::atomic<int> unexpected{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) {
        auto& configuration = configurations[(t + i) % 3];
        HRESULT hr =
            configuration->EnableSharing((i & 1) ? ICSSHARINGTYPE_PRIVATE : ICSSHARINGTYPE_PUBLIC);
        if (hr != S_OK && hr != sim::kSharingRoleTaken)
          ++unexpected;
        if (i % 3 == 0 && configuration->DisableSharing() != S_OK)
          ++unexpected;
        if (i % 25 == 0)
          List(Enumerator().get());
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(unexpected.load(), 0);

  int publics = 0, privates = 0;
  for (const GUID& guid : guids) {
    auto role = service_->Role(guid);
    publics += role == ICSSHARINGTYPE_PUBLIC;
    privates += role == ICSSHARINGTYPE_PRIVATE;
  }
  EXPECT_LE(publics, 1);
  EXPECT_LE(privates, 1);
  EXPECT_TRUE(SharingStore::Parse(ReadStateFile()));
  EXPECT_EQ(SimSharingService::OutstandingProperties(), 0);
}

}  // namespace
