// base::WriteAll: writes all of `data` to a file descriptor, resuming after interruptions and
// short writes.
//
// Thread affinity: none. Failure: false with errno set (EIO when the descriptor took nothing).
#pragma once

#include <string_view>

namespace base {

bool WriteAll(int fd, std::string_view data);

}  // namespace base
