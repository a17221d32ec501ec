#include "platform/linux/win32_error.h"

#include <cerrno>

#include "base/result.h"

namespace platform::posix {

DWORD Win32ErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return 3;  // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
      return 112;  // ERROR_DISK_FULL
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
      return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ELOOP:
      return 1921;  // ERROR_CANT_RESOLVE_FILENAME
    case ENOEXEC:
      return ERROR_BAD_FORMAT;
    case ENOSYS:
      return ERROR_CALL_NOT_IMPLEMENTED;
    default:
      return 31;  // ERROR_GEN_FAILURE
  }
}

}  // namespace platform::posix
