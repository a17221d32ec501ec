// CTavlo: the connected-device list, kept in step with the hotspot's device list, with each
// device's name and address filled in as they become known. UI thread.
#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "app/device_names.h"
#include "app/tavlo.h"

namespace app {

void CTavlo::DrainHostedNetworkEvents() {
  CNotificationSink* sink = hotspot_.sink();
  if (!sink)
    return;
  while (CHostedNetworkNotification* raw = sink->Pop()) {
    base::RefPtr<CHostedNetworkNotification> notification =
        base::RefPtr<CHostedNetworkNotification>::Adopt(raw);
    if (notification->kind() == HostedNetworkEvent::Stopped) {
      OnHostedNetworkStopped();
      continue;
    }
    CWlanDevice* device = notification->device();
    if (!device)
      continue;
    switch (notification->kind()) {
      case HostedNetworkEvent::DeviceJoined:
        OnDeviceJoined(device);
        break;
      case HostedNetworkEvent::DeviceLeft:
        OnDeviceLeft(device);
        break;
      case HostedNetworkEvent::DeviceUpdated:
        OnDeviceUpdated(device);
        break;
      default:
        break;
    }
  }
}

void CTavlo::OnDeviceJoined(CWlanDevice* device) {
  device->AddRef();
  hotspot_.devices().AddTail(device);
  AddDeviceRow(device);
}

void CTavlo::OnDeviceLeft(CWlanDevice* device) {
  auto& devices = hotspot_.devices();
  for (size_t i = 0; i < devices.GetCount(); ++i) {
    if (devices.GetAt(i)->SameDevice(*device)) {
      base::RefPtr<CWlanDevice> listed = base::RefPtr<CWlanDevice>::Adopt(devices.DetachAt(i));
      RemoveDeviceRow(listed.get());
      return;
    }
  }
}

void CTavlo::OnDeviceUpdated(CWlanDevice* device) {
  auto& devices = hotspot_.devices();
  for (size_t i = 0; i < devices.GetCount(); ++i) {
    if (!devices.GetAt(i)->SameDevice(*device))
      continue;
    // The list has no in-place replace; rebuild it with the new record in the same position.
    CRefObjectList<CWlanDevice> rebuilt;
    for (size_t j = 0; j < devices.GetCount(); ++j)
      rebuilt.AddShared(j == i ? device : devices.GetAt(j));
    devices = std::move(rebuilt);
    return;
  }
}

namespace {

// Columns of a row.
constexpr int kNumberColumn = 0;
constexpr int kMacColumn = 1;
constexpr int kNameColumn = 2;
constexpr int kAddressColumn = 3;

DeviceFactsFeed::Mac MacOf(const CWlanDevice& device) {
  DeviceFactsFeed::Mac mac;
  std::copy(std::begin(device.mac()), std::end(device.mac()), mac.begin());
  return mac;
}

// The MAC text as CWlanDevice makes it.
std::u16string MacText(const DeviceFactsFeed::Mac& mac) {
  char text[18];
  std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return std::u16string(text, text + 17);
}

void ShowFacts(DuiLib::CListTextElementUI* row,
               const DeviceFactsFeed::Mac& mac,
               const platform::DeviceFacts* facts,
               const platform::DeviceMakers* makers) {
  const std::u16string name =
      DeviceDisplayName(mac, facts ? facts->host_name : std::string(), makers);
  const std::u16string address =
      facts ? DuiLib::CDuiString::FromUtf8(facts->ipv4).str() : std::u16string();
  if (row->GetText(kNameColumn).str() != name)
    row->SetText(kNameColumn, name.c_str());
  if (row->GetText(kAddressColumn).str() != address)
    row->SetText(kAddressColumn, address.c_str());
}

void NumberRow(DuiLib::CListTextElementUI* row, int number) {
  row->SetTag(static_cast<UINT_PTR>(number));
  const std::u16string text = DuiLib::CDuiString::FromUtf8(std::to_string(number)).str();
  row->SetText(kNumberColumn, text.c_str());
}

}  // namespace

void CTavlo::AddDeviceRow(CWlanDevice* device) {
  if (!device_list_)
    return;
  const int number = device_list_->GetCount();
  auto* row = new DuiLib::CListTextElementUI();
  row->SetAttribute(u"align", u"center");
  device_list_->Add(row);
  NumberRow(row, number);
  row->SetText(kMacColumn, device->mac_text().c_str());
  const DeviceFactsFeed::Mac mac = MacOf(*device);
  const std::optional<platform::DeviceFacts> facts = device_facts_.Find(mac);
  ShowFacts(row, mac, facts ? &*facts : nullptr, services_.device_makers);
}

void CTavlo::OnDeviceFacts(const std::vector<platform::DeviceFacts>& changed) {
  if (!device_list_)
    return;
  // One pass over the rows however many devices changed: a crowd joining stays cheap.
  std::unordered_map<std::u16string, const platform::DeviceFacts*> by_text;
  for (const platform::DeviceFacts& facts : changed)
    by_text[MacText(facts.mac)] = &facts;
  for (int i = 0; i < device_list_->GetCount(); ++i) {
    auto* row = dynamic_cast<DuiLib::CListTextElementUI*>(device_list_->GetItemAt(i));
    if (!row)
      continue;
    auto it = by_text.find(row->GetText(kMacColumn).str());
    if (it != by_text.end())
      ShowFacts(row, it->second->mac, it->second, services_.device_makers);
  }
}

void CTavlo::RemoveDeviceRow(CWlanDevice* device) {
  if (!device_list_)
    return;
  for (int i = 0; i < device_list_->GetCount(); ++i) {
    auto* row = dynamic_cast<DuiLib::CListTextElementUI*>(device_list_->GetItemAt(i));
    if (!row || row->GetText(kMacColumn).str() != device->mac_text())
      continue;
    device_list_->RemoveAt(i);
    // New rows take their number from the row count, so the rows below move up one number
    // each: the numbers stay unique and in order.
    for (int j = i; j < device_list_->GetCount(); ++j) {
      if (auto* below = dynamic_cast<DuiLib::CListTextElementUI*>(device_list_->GetItemAt(j)))
        NumberRow(below, j);
    }
    return;
  }
}

}  // namespace app
