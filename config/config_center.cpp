#include "config/config_center.h"

#include "config/config_center_impl.h"

namespace config {

CConfigCenterImpl* ProcessConfigCenter() {
  static CConfigCenterImpl center(CConfigCenterImpl::DefaultPath());
  return &center;
}

IConfigCenter* GetConfigCenter() {
  return ProcessConfigCenter();
}

namespace {
// The store exists before main() runs, as the rest of the program expects; the function-local
// static above keeps early callers from other translation units safe from initialisation order.
[[maybe_unused]] IConfigCenter* const g_config_center = GetConfigCenter();
}  // namespace

}  // namespace config
