// CTavlo: the connected-device list, kept in step with the hotspot's device list. UI thread.
#include <string>

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

void NumberRow(DuiLib::CListTextElementUI* row, int number) {
  row->SetTag(static_cast<UINT_PTR>(number));
  const std::u16string text = DuiLib::CDuiString::FromUtf8(std::to_string(number)).str();
  row->SetText(0, text.c_str());
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
  row->SetText(1, device->mac_text().c_str());
}

void CTavlo::RemoveDeviceRow(CWlanDevice* device) {
  if (!device_list_)
    return;
  for (int i = 0; i < device_list_->GetCount(); ++i) {
    auto* row = dynamic_cast<DuiLib::CListTextElementUI*>(device_list_->GetItemAt(i));
    if (!row || row->GetText(1).str() != device->mac_text())
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
