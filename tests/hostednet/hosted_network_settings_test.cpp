#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

#include "base/random.h"
#include "hosted_network_fixture.h"
#include "support/failing_code_page.h"

namespace {

using test::HostedNetworkTest;

std::string SsidOf(const WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS& settings) {
  const auto& ssid = settings.hostedNetworkSSID;
  return std::string(reinterpret_cast<const char*>(ssid.ucSSID), ssid.uSSIDLength);
}

class SettingsTest : public HostedNetworkTest {
 protected:
  // An initialised controller whose system SSID is "Home" with a peer limit of 42.
  void OpenWithSsid() {
    Configure();
    HANDLE client;
    DWORD version;
    service_.WlanOpenHandle(2, nullptr, &version, &client);
    WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS settings{{4, {'H', 'o', 'm', 'e'}}, 42};
    ASSERT_EQ(platform::BindWlanFunction<platform::WlanHostedNetworkSetPropertyFn>(
                  service_, "WlanHostedNetworkSetProperty")(
                  client, wlan_hosted_network_opcode_connection_settings, sizeof(settings),
                  &settings, nullptr, nullptr),
              0u);
    service_.WlanCloseHandle(client, nullptr);
    controller_.Open();
    ASSERT_TRUE(Initialized());
  }
};

TEST_F(SettingsTest, SetSsidSendsTheNewNameWithThePeerLimitAsRead) {
  OpenWithSsid();
  EXPECT_EQ(controller_.SetSsid(u"热点 Hotspot"), S_OK);
  auto settings = service_.GetSnapshot().settings;
  EXPECT_EQ(SsidOf(settings), "热点 Hotspot");
  EXPECT_EQ(settings.dwMaxNumberOfPeers, 42u);
  std::u16string text;
  EXPECT_EQ(controller_.GetSsid(&text), S_OK);
  EXPECT_EQ(text, u"热点 Hotspot");
}

TEST_F(SettingsTest, SetSsidReportsSuccessWhenNothingIsAttemptedAndTheErrorOfARefusal) {
  EXPECT_EQ(controller_.SetSsid(u"BeforeOpen"), S_OK);  // not initialised
  OpenWithSsid();
  EXPECT_EQ(controller_.SetSsid(std::u16string(33, u'x')), S_OK);
  EXPECT_EQ(controller_.SetSsid(u""), S_OK);
  service_.SetFunctionMissing("WlanHostedNetworkSetProperty", true);
  EXPECT_EQ(controller_.SetSsid(u"NotSent"), S_OK);
  EXPECT_EQ(SsidOf(service_.GetSnapshot().settings), "Home");
  std::u16string text;
  controller_.GetSsid(&text);
  EXPECT_EQ(text, u"NotSent");  // kept in the snapshot although the system never saw it

  // A refusal is reported and undone in the snapshot.
  service_.ClearFaults();
  service_.FailCalls("WlanHostedNetworkSetProperty", ERROR_INVALID_PARAMETER, 1);
  EXPECT_EQ(controller_.SetSsid(u"Refused"), static_cast<HRESULT>(0x80070057));
  controller_.GetSsid(&text);
  EXPECT_EQ(text, u"NotSent");
}

TEST_F(SettingsTest, GetSsidAnswersNotReadyEmptyOrZtzj) {
  std::u16string text = u"unchanged";
  EXPECT_EQ(controller_.GetSsid(&text), static_cast<HRESULT>(0x8007139F));
  EXPECT_EQ(text, u"unchanged");
  // Without the settings initialisation the system has no SSID yet.
  service_.SetFunctionMissing("WlanHostedNetworkInitSettings", true);
  controller_.Open();
  EXPECT_EQ(controller_.GetSsid(&text), S_OK);
  EXPECT_EQ(text, u"");

  test::FailingCodePage failing(&code_page_);
  failing.FailToWide(ERROR_NO_UNICODE_TRANSLATION);
  CHostedNetwork other(&service_, &failing);
  service_.ClearFaults();
  Configure();
  other.Open();
  // Unconvertible bytes take the hexadecimal form, which never fits 256 characters.
  EXPECT_EQ(other.GetSsid(&text), HresultFromWin32(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(text, u"ztzj");
}

TEST_F(SettingsTest, SsidToTextReportsTheCapacityItNeeds) {
  DOT11_SSID ssid{5, {'a', 'b', 'c', 'd', 'e'}};
  DWORD capacity = 0;
  EXPECT_EQ(controller_.SsidToText(&ssid, nullptr, &capacity), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(capacity, 6u);
  WCHAR buffer[6];
  EXPECT_EQ(controller_.SsidToText(&ssid, buffer, &capacity), 0u);
  EXPECT_EQ(capacity, 6u);
  EXPECT_EQ(std::u16string(buffer), u"abcde");
  DWORD too_big = 1;
  EXPECT_EQ(controller_.SsidToText(&ssid, nullptr, &too_big), ERROR_INVALID_PARAMETER);
  ssid.uSSIDLength = 33;
  EXPECT_EQ(controller_.SsidToText(&ssid, buffer, &capacity), ERROR_INVALID_PARAMETER);

  test::FailingCodePage failing(&code_page_);
  failing.FailToWide(ERROR_NO_UNICODE_TRANSLATION);
  CHostedNetwork other(&service_, &failing);
  DOT11_SSID raw{2, {0xC3, 0x28}};
  capacity = 0;
  EXPECT_EQ(other.SsidToText(&raw, nullptr, &capacity), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(capacity, 2u * 2 + 513);
  std::u16string wide(capacity, u'#');
  EXPECT_EQ(other.SsidToText(&raw, wide.data(), &capacity), 0u);
  wide.resize(capacity);
  EXPECT_NE(wide.find(u"C328"), std::u16string::npos) << "the template carries the bytes";
}

struct Codepage {
  const char* charset;
  std::u16string fits;      // exactly 32 bytes in the code page
  std::u16string too_long;  // 33 or more
};

class SsidBytesTest : public HostedNetworkTest, public ::testing::WithParamInterface<Codepage> {};

TEST_P(SsidBytesTest, TheSsidLimitCountsBytesOfTheCodePage) {
  platform::IconvCodePage code_page(GetParam().charset);
  CHostedNetwork converter(&service_, &code_page);
  DOT11_SSID ssid{};
  EXPECT_EQ(converter.SsidFromText(GetParam().fits.c_str(), &ssid), 0u);
  EXPECT_EQ(ssid.uSSIDLength, 32u);
  EXPECT_EQ(converter.SsidFromText(GetParam().too_long.c_str(), &ssid), ERROR_BAD_LENGTH);
  EXPECT_EQ(converter.SsidFromText(u"", &ssid), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(converter.SsidFromText(nullptr, &ssid), ERROR_INVALID_PARAMETER);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages,
    SsidBytesTest,
    ::testing::Values(
        Codepage{"UTF-8", u"热点热点热点热点热点ab", u"热点热点热点热点热点热"},
        Codepage{"GBK", u"热点热点热点热点热点热点热点热点", u"热点热点热点热点热点热点热点热点a"},
        Codepage{"WINDOWS-1252", std::u16string(31, u'é') + u"€", std::u16string(32, u'é') + u"€"}),
    [](const auto& info) {
      return std::string(info.param.charset == std::string("WINDOWS-1252") ? "Windows1252"
                         : info.param.charset == std::string("GBK")        ? "GBK"
                                                                           : "UTF8");
    });

TEST_F(HostedNetworkTest, PassphraseLimitsAreBytesOfTheCodePage) {
  auto convert = [this](const platform::CodePage& code_page, std::u16string text, DWORD* size) {
    CHostedNetwork converter(&service_, &code_page);
    BYTE buffer[256];
    return converter.PassphraseFromText(text.data(), static_cast<DWORD>(text.size()), buffer, size);
  };
  platform::IconvCodePage gbk("GBK"), cp1252("WINDOWS-1252");
  DWORD size = 256;
  EXPECT_EQ(convert(code_page_, u"1234567", &size), ERROR_BAD_FORMAT);
  EXPECT_EQ(size, 0u);
  size = 256;
  EXPECT_EQ(convert(code_page_, u"12345678", &size), 0u);
  EXPECT_EQ(size, 9u);
  size = 256;
  EXPECT_EQ(convert(code_page_, std::u16string(63, u'k'), &size), 0u);
  EXPECT_EQ(size, 64u);
  EXPECT_EQ(convert(code_page_, std::u16string(64, u'k'), &size), ERROR_BAD_FORMAT);
  size = 256;
  EXPECT_EQ(convert(code_page_, u"密码密码", &size), 0u);  // 4 characters, 12 bytes
  EXPECT_EQ(size, 13u);
  size = 256;
  EXPECT_EQ(convert(gbk, u"热点密码好", &size), 0u);  // 5 characters, 10 bytes
  EXPECT_EQ(size, 11u);
  size = 256;
  EXPECT_EQ(convert(gbk, u"热点密", &size), ERROR_BAD_FORMAT);  // 6 bytes
  size = 256;
  EXPECT_EQ(convert(cp1252, u"password中", &size), ERROR_BAD_FORMAT);  // not in the code page
  EXPECT_EQ(size, 0u);
  size = 256;
  EXPECT_EQ(convert(code_page_, std::u16string(9, u'\0'), &size), ERROR_BAD_FORMAT);
  EXPECT_EQ(service_.GetSnapshot().outstanding_allocations, 0);

  CHostedNetwork converter(&service_, &code_page_);
  size = 5;
  EXPECT_EQ(converter.PassphraseFromText(u"12345678", 8, nullptr, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 9u);
  service_.FailAllocations(1);
  EXPECT_EQ(convert(code_page_, u"12345678", &size), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(size, 0u);
}

// The default passphrase as the system stores it: its characters and the terminating zero.
std::vector<BYTE> Stored(const std::u16string& key) {
  std::vector<BYTE> bytes(key.begin(), key.end());
  bytes.push_back(0);
  return bytes;
}

bool IsDefaultKeyShaped(const std::u16string& key) {
  return key.size() == 12 &&
         key.find_first_not_of(u"abcdefghjkmnpqrstuvwxyz23456789") == std::u16string::npos;
}

TEST_F(HostedNetworkTest, GetKeyReturnsThePassphraseOrAppliesANewRandomOnePersistently) {
  std::u16string key = u"unchanged";
  // The controller was never opened: the query fails and nothing changes.
  EXPECT_EQ(controller_.GetKey(&key), S_OK);
  EXPECT_EQ(key, u"unchanged");

  controller_.Open();
  EXPECT_EQ(controller_.GetKey(&key), S_OK);
  EXPECT_TRUE(IsDefaultKeyShaped(key));
  auto stored = service_.GetSnapshot().key;
  EXPECT_EQ(stored.bytes, Stored(key));
  EXPECT_TRUE(stored.is_passphrase && stored.persistent);
  // Once stored it is the system's passphrase: every later read gives the same one.
  const std::u16string first = key;
  EXPECT_EQ(controller_.GetKey(&key), S_OK);
  EXPECT_EQ(key, first);

  EXPECT_EQ(controller_.SetKey(u"new password 12"), S_OK);
  EXPECT_EQ(controller_.GetKey(&key), S_OK);
  EXPECT_EQ(key, u"new password 12");
  EXPECT_EQ(controller_.SetKey(u"short"), S_OK);  // refused before the system sees it
  controller_.GetKey(&key);
  EXPECT_EQ(key, u"new password 12");

  service_.FailCalls("WlanHostedNetworkQuerySecondaryKey", ERROR_ACCESS_DENIED, 1);
  key = u"unchanged";
  controller_.GetKey(&key);
  EXPECT_EQ(key, u"unchanged");

  // A raw key is not a passphrase the window could show.
  HANDLE client;
  DWORD version;
  service_.WlanOpenHandle(2, nullptr, &version, &client);
  BYTE raw[32] = {1, 2, 3};
  platform::BindWlanFunction<platform::WlanHostedNetworkSetSecondaryKeyFn>(
      service_, "WlanHostedNetworkSetSecondaryKey")(client, 32, raw, FALSE, TRUE, nullptr, nullptr);
  service_.WlanCloseHandle(client, nullptr);
  controller_.GetKey(&key);
  EXPECT_TRUE(IsDefaultKeyShaped(key));
  EXPECT_NE(key, first);
  EXPECT_EQ(service_.GetSnapshot().key.bytes, Stored(key));
  EXPECT_TRUE(service_.GetSnapshot().key.is_passphrase);
  EXPECT_EQ(service_.GetSnapshot().outstanding_allocations, 0);

  // Without the query function the system counts as holding no passphrase.
  controller_.SetKey(u"another-key");
  service_.SetFunctionMissing("WlanHostedNetworkQuerySecondaryKey", true);
  controller_.GetKey(&key);
  EXPECT_TRUE(IsDefaultKeyShaped(key));
  EXPECT_EQ(service_.GetSnapshot().key.bytes, Stored(key));
}

TEST_F(HostedNetworkTest, TwoFreshSystemsGetDifferentDefaultPassphrases) {
  test::ScopedTempDir other_dir;
  platform::sim::WirelessService other_service(other_dir.path());
  CHostedNetwork other(&other_service, &code_page_);
  controller_.Open();
  other.Open();
  std::u16string mine, theirs;
  ASSERT_EQ(controller_.GetKey(&mine), S_OK);
  ASSERT_EQ(other.GetKey(&theirs), S_OK);
  EXPECT_TRUE(IsDefaultKeyShaped(mine));
  EXPECT_TRUE(IsDefaultKeyShaped(theirs));
  EXPECT_NE(mine, theirs);

  // What the system stored survives a restart of the service.
  other.Close();
  const auto dir = other_dir.path();
  platform::sim::WirelessService restarted(dir);
  CHostedNetwork again(&restarted, &code_page_);
  again.Open();
  std::u16string read_back;
  ASSERT_EQ(again.GetKey(&read_back), S_OK);
  EXPECT_EQ(read_back, theirs);
}

TEST_F(HostedNetworkTest, AFailingRandomSourceIsAnErrorAndStoresNothing) {
  controller_.Open();
  int calls = 0;
  controller_.set_random_source([&calls](void*, size_t) {
    ++calls;
    return EIO;
  });
  std::u16string key = u"unchanged";
  EXPECT_EQ(controller_.GetKey(&key), kDefaultKeyUnavailable);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(key, u"unchanged");
  EXPECT_TRUE(service_.GetSnapshot().key.bytes.empty());

  // A passphrase the system holds needs no random source.
  controller_.SetKey(u"held-by-the-system");
  EXPECT_EQ(controller_.GetKey(&key), S_OK);
  EXPECT_EQ(key, u"held-by-the-system");
  EXPECT_EQ(calls, 1);
}

TEST_F(HostedNetworkTest, DefaultKeyIsTwelveCharactersOfAnAlphabetWithoutLookAlikes) {
  std::set<char16_t> seen;
  for (int i = 0; i < 200; ++i) {
    auto key = CHostedNetwork::DefaultKey(base::SystemRandomBytes);
    ASSERT_TRUE(key);
    ASSERT_TRUE(IsDefaultKeyShaped(*key)) << i;
    seen.insert(key->begin(), key->end());
  }
  EXPECT_EQ(seen.size(), 31u);  // 2400 draws leave none of the 31 out
  for (char16_t look_alike : std::u16string(u"0o1li")) {
    EXPECT_EQ(seen.count(look_alike), 0u);
  }
}

TEST_F(HostedNetworkTest, QueryDeviceIdKeepsTheOldValueWhenTheStatusCannotBeRead) {
  StartWithStations({});
  controller_.Open();
  GUID id = GUID_NULL;
  EXPECT_EQ(controller_.QueryDeviceId(&id), S_OK);
  EXPECT_EQ(id, *service_.ActiveVirtualAdapter());
  GUID kept = base::NewGuid();
  id = kept;
  service_.FailCalls("WlanHostedNetworkQueryStatus", ERROR_ACCESS_DENIED, 1);
  EXPECT_EQ(controller_.QueryDeviceId(&id), S_OK);
  service_.SetFunctionMissing("WlanHostedNetworkQueryStatus", true);
  EXPECT_EQ(controller_.QueryDeviceId(&id), S_OK);
  EXPECT_EQ(id, kept);
}

TEST_F(HostedNetworkTest, DisableSwitchesTheEnablePropertyOffOrReportsTheServiceError) {
  controller_.Open();
  controller_.RegisterSink(&sink_);
  EXPECT_EQ(controller_.Disable(), 0u);
  EXPECT_FALSE(service_.GetSnapshot().enabled);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"Unavailable"}));
  service_.FailCalls("WlanHostedNetworkSetProperty", ERROR_ACCESS_DENIED, 1);
  EXPECT_EQ(controller_.Disable(), ERROR_ACCESS_DENIED);
  service_.Allow(true);
  service_.SetFunctionMissing("WlanHostedNetworkSetProperty", true);
  EXPECT_EQ(controller_.Disable(), 0u);
  EXPECT_TRUE(service_.GetSnapshot().enabled);
}

}  // namespace
