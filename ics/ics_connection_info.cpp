#include "ics/ics_connection_info.h"

#include "ics/ics_connection.h"

namespace ics {

CIcsConnectionInfo::CIcsConnectionInfo(const CIcsConnection& connection)
    : guid_(connection.guid()),
      name_(connection.name()),
      device_name_(connection.device_name()),
      enabled_(connection.enabled()),
      public_(connection.is_public()),
      private_(connection.is_private()),
      sharable_(connection.sharable()),
      connected_(connection.connected()) {}

CIcsConnectionInfo::~CIcsConnectionInfo() = default;

}  // namespace ics
