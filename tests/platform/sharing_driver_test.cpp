// The shared sharing service over a fake driver: the roles' rule, and what reaches the caller
// when the system underneath refuses.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/services/sharing_driver.h"
#include "platform/services/sharing_service.h"
#include "platform/sharing_ptr.h"

namespace {

using namespace platform;
using services::ConnectionSharingService;
using services::SharingConnection;
using services::SharingRoles;

constexpr GUID kUplink = {1, 0, 0, {1}};
constexpr GUID kHotspot = {2, 0, 0, {2}};
constexpr GUID kSpare = {3, 0, 0, {3}};

// The system the fake driver stands for. Outlives the service.
struct FakeSystem {
  std::mutex mutex;
  std::vector<SharingConnection> connections;
  SharingRoles stored;
  SharingRoles applied;  // what holds on the system
  std::vector<std::string> log;
  HRESULT apply_result = S_OK;
  HRESULT remove_result = S_OK;
  HRESULT save_result = S_OK;
};

class FakeDriver final : public services::SharingDriver {
 public:
  explicit FakeDriver(FakeSystem& system) : system_(system) {}
  std::vector<SharingConnection> Connections(bool) override {
    std::lock_guard<std::mutex> guard(system_.mutex);
    return system_.connections;
  }
  HRESULT ApplyRole(const GUID& guid, SHARINGCONNECTIONTYPE type) override {
    std::lock_guard<std::mutex> guard(system_.mutex);
    system_.log.push_back("apply " + base::GuidToString(guid));
    if (FAILED(system_.apply_result))
      return system_.apply_result;
    system_.applied[guid] = type;
    return S_OK;
  }
  HRESULT RemoveRole(const GUID& guid) override {
    std::lock_guard<std::mutex> guard(system_.mutex);
    system_.log.push_back("remove " + base::GuidToString(guid));
    if (FAILED(system_.remove_result))
      return system_.remove_result;
    system_.applied.erase(guid);
    return S_OK;
  }
  SharingRoles LoadRoles() override {
    std::lock_guard<std::mutex> guard(system_.mutex);
    return system_.stored;
  }
  HRESULT SaveRoles(const SharingRoles& roles) override {
    std::lock_guard<std::mutex> guard(system_.mutex);
    system_.log.push_back("save");
    if (FAILED(system_.save_result))
      return system_.save_result;
    system_.stored = roles;
    return S_OK;
  }

 private:
  FakeSystem& system_;
};

class SharingDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system_.connections = {{kUplink, u"uplink", u"eth", NCS_CONNECTED, NCM_LAN, false},
                           {kHotspot, u"hotspot", u"ap", NCS_CONNECTED, NCM_LAN, false},
                           {kSpare, u"spare", u"usb", NCS_MEDIA_DISCONNECTED, NCM_LAN, false}};
    system_.stored[kUplink] = ICSSHARINGTYPE_PUBLIC;
    system_.applied = system_.stored;
    service_ = std::make_unique<ConnectionSharingService>(std::make_unique<FakeDriver>(system_));
  }

  ComPtr<INetSharingManager> Manager() {
    void* object = nullptr;
    EXPECT_EQ(service_->CreateInstance(CLSID_NetSharingManager, nullptr, CLSCTX_ALL,
                                       IID_INetSharingManager, &object),
              S_OK);
    return ComPtr<INetSharingManager>::Adopt(static_cast<INetSharingManager*>(object));
  }

  // The configuration of the listed connection `guid`, found through the enumerator.
  ComPtr<INetSharingConfiguration> Configuration(const GUID& guid) {
    ComPtr<INetSharingManager> manager = Manager();
    ComPtr<INetSharingEveryConnectionCollection> collection;
    EXPECT_EQ(manager->get_EnumEveryConnection(collection.Receive()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(collection->get__NewEnum(unknown.Receive()), S_OK);
    ComPtr<IEnumNetSharingEveryConnection> enumerator;
    EXPECT_EQ(QueryInto(unknown.get(), IID_IEnumNetSharingEveryConnection, &enumerator), S_OK);
    VARIANT item;
    while (enumerator->Next(1, &item, nullptr) == S_OK) {
      ComPtr<INetConnection> connection;
      EXPECT_EQ(QueryInto(item.punkVal, IID_INetConnection, &connection), S_OK);
      VariantClear(&item);
      NETCON_PROPERTIES* properties = nullptr;
      EXPECT_EQ(connection->GetProperties(&properties), S_OK);
      const bool match = properties && properties->guidId == guid;
      DWORD error = 0;
      SharingBackendModule* module = service_->LoadBackend(u"netshell.dll", &error);
      service_->GetBackendProc(module, "NcFreeNetconProperties", &error)(properties);
      service_->FreeBackend(module);
      if (match) {
        ComPtr<INetSharingConfiguration> configuration;
        EXPECT_EQ(manager->get_INetSharingConfigurationForINetConnection(connection.get(),
                                                                         configuration.Receive()),
                  S_OK);
        return configuration;
      }
    }
    ADD_FAILURE() << "not listed: " << base::GuidToString(guid);
    return {};
  }

  std::vector<std::string> TakeLog() {
    std::lock_guard<std::mutex> guard(system_.mutex);
    return std::exchange(system_.log, {});
  }

  FakeSystem system_;
  std::unique_ptr<ConnectionSharingService> service_;
};

TEST_F(SharingDriverTest, ListsTheDriversConnectionsWithTheStoredRoles) {
  ComPtr<INetSharingConfiguration> uplink = Configuration(kUplink);
  ASSERT_TRUE(uplink);
  VARIANT_BOOL enabled = VARIANT_FALSE;
  SHARINGCONNECTIONTYPE type = ICSSHARINGTYPE_PRIVATE;
  EXPECT_EQ(uplink->get_SharingEnabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(uplink->get_SharingConnectionType(&type), S_OK);
  EXPECT_EQ(type, ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(service_->Connections().size(), 3u);
}

TEST_F(SharingDriverTest, EnablingAppliesThenStoresAndTheRuleIsCheckedBeforeTheDriverIsAsked) {
  ASSERT_EQ(Configuration(kHotspot)->EnableSharing(ICSSHARINGTYPE_PRIVATE), S_OK);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"apply " + base::GuidToString(kHotspot), "save"}));
  EXPECT_EQ(system_.stored.at(kHotspot), ICSSHARINGTYPE_PRIVATE);
  EXPECT_EQ(system_.applied.at(kHotspot), ICSSHARINGTYPE_PRIVATE);

  // Both roles are held: nothing is taken over, and the system is not touched.
  EXPECT_EQ(Configuration(kSpare)->EnableSharing(ICSSHARINGTYPE_PUBLIC),
            services::kSharingRoleTaken);
  ComPtr<INetSharingConfiguration> spare = Configuration(kSpare);
  system_.connections.pop_back();  // unplugged while the program holds its configuration
  EXPECT_EQ(spare->EnableSharing(ICSSHARINGTYPE_PRIVATE), services::kConnectionGone);
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(SharingDriverTest, ARoleTheSystemRefusesIsNeitherInForceNorStored) {
  system_.apply_result = E_ACCESSDENIED;
  EXPECT_EQ(Configuration(kHotspot)->EnableSharing(ICSSHARINGTYPE_PRIVATE), E_ACCESSDENIED);
  EXPECT_FALSE(service_->Role(kHotspot));
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"apply " + base::GuidToString(kHotspot)}));
}

TEST_F(SharingDriverTest, AStoreThatFailsUndoesWhatWasApplied) {
  system_.save_result = E_FAIL;
  EXPECT_EQ(Configuration(kHotspot)->EnableSharing(ICSSHARINGTYPE_PRIVATE), E_FAIL);
  EXPECT_FALSE(service_->Role(kHotspot));
  EXPECT_FALSE(system_.applied.count(kHotspot));

  // Disabling puts the role back on the system when it cannot be stored as gone.
  EXPECT_EQ(Configuration(kUplink)->DisableSharing(), E_FAIL);
  EXPECT_EQ(service_->Role(kUplink), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(system_.applied.at(kUplink), ICSSHARINGTYPE_PUBLIC);

  // A role the system will not give up stays, stored as it was.
  system_.save_result = S_OK;
  system_.remove_result = E_ACCESSDENIED;
  EXPECT_EQ(Configuration(kUplink)->DisableSharing(), E_ACCESSDENIED);
  EXPECT_EQ(service_->Role(kUplink), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(system_.stored.at(kUplink), ICSSHARINGTYPE_PUBLIC);

  system_.remove_result = S_OK;
  EXPECT_EQ(Configuration(kUplink)->DisableSharing(), S_OK);
  EXPECT_FALSE(service_->Role(kUplink));
  EXPECT_TRUE(system_.stored.empty());
  EXPECT_TRUE(system_.applied.empty());
}

}  // namespace
