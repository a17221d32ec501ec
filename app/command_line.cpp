#include "app/command_line.h"

namespace app {

std::u16string_view CommandLineTail(std::u16string_view command_line) {
  if (command_line.empty())
    return {};
  if (command_line.front() == u'"') {
    size_t close = command_line.find(u'"', 1);
    if (close == std::u16string_view::npos)
      return {};
    std::u16string_view tail = command_line.substr(close + 1);
    if (!tail.empty() && tail.front() == u' ')
      tail.remove_prefix(1);
    return tail;
  }
  size_t blank = command_line.find(u' ');
  if (blank == std::u16string_view::npos)
    return {};
  return command_line.substr(blank + 1);
}

}  // namespace app
