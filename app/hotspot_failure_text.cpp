#include "app/hotspot_failure_text.h"

namespace app {

namespace {

using platform::StartProblem;

// NMDeviceStateReason values a hotspot meets.
const char16_t* DeviceReason(uint32_t reason) {
  switch (reason) {
    case 3:
      return u"无线网卡不再由NetworkManager管理";
    case 4:
      return u"无线网卡无法完成配置";
    case 5:
      return u"无法为热点分配IP地址";
    case 7:
      return u"缺少WiFi密码";
    case 9:
      return u"wpa_supplicant无法配置热点";
    case 10:
      return u"wpa_supplicant出错";
    case 11:
      return u"wpa_supplicant响应超时";
    case 18:
      return u"共享服务无法启动（可能缺少dnsmasq）";
    case 19:
      return u"共享服务出错";
    case 35:
      return u"无线网卡缺少固件";
    case 36:
      return u"无线网卡已被移除";
    case 37:
      return u"系统正在休眠";
    case 38:
      return u"热点连接已被删除";
    case 39:
      return u"热点被用户或其他程序断开";
    case 50:
      return u"热点所依赖的连接失败";
    case 60:
      return u"另一个连接占用了无线网卡";
    case 64:
      return u"IP地址冲突";
    default:
      return nullptr;
  }
}

// NMActiveConnectionStateReason values, for when the device gave none.
const char16_t* ConnectionReason(uint32_t reason) {
  switch (reason) {
    case 2:
      return u"热点被用户断开";
    case 3:
      return u"无线网卡断开了连接";
    case 4:
      return u"NetworkManager已停止";
    case 5:
      return u"IP配置无效";
    case 6:
      return u"连接超时";
    case 9:
      return u"缺少WiFi密码";
    case 11:
      return u"热点连接已被删除";
    case 14:
      return u"无线网卡已被移除";
    default:
      return nullptr;
  }
}

std::u16string Number(uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string ServiceFailure(const platform::StartDiagnosis& diagnosis) {
  if (diagnosis.service_reason == 0)
    return u"原因：NetworkManager没能开启热点，也没有说明原因。";
  const char16_t* known = diagnosis.connection_reason ? ConnectionReason(diagnosis.service_reason)
                                                      : DeviceReason(diagnosis.service_reason);
  // The number too, so a report names NetworkManager's exact reason.
  const std::u16string code = u"NetworkManager原因代码" + Number(diagnosis.service_reason);
  if (!known)
    return u"原因：NetworkManager没能开启热点（" + code + u"）。";
  return u"原因：" + std::u16string(known) + u"（" + code + u"）。";
}

}  // namespace

std::u16string HotspotFailureText(const platform::StartDiagnosis& diagnosis) {
  switch (diagnosis.problem) {
    case StartProblem::kNone:
      return u"";
    case StartProblem::kNoAdapter:
      return u"原因：没有找到无线网卡。";
    case StartProblem::kNoAccessPointMode:
      return u"原因：无线网卡不支持开启热点（AP模式）。";
    case StartProblem::kRadioOff:
      return u"原因：WiFi已关闭，请先打开WiFi开关。";
    case StartProblem::kServiceMissing:
      return u"原因：NetworkManager没有运行。";
    case StartProblem::kNotPermitted:
      return u"原因：没有开启热点的权限。";
    case StartProblem::kServiceFailed:
      return ServiceFailure(diagnosis);
    case StartProblem::kNoInternet:
      return u"原因：这台电脑没有可共享的互联网连接。";
  }
  return u"";
}

}  // namespace app
