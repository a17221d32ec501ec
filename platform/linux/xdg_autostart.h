// AutostartStore over one XDG autostart folder: entry `name` is the desktop entry file
// `<name>.desktop` there, and its Exec= key holds the command line. LayeredAutostart puts several
// of these together the way a session reads them at logon.
//
// Exec= is written with the desktop-entry escapes (%% for %, \\ \n \t \r, and inside double
// quotes a backslash before ` $ \) and read back without them, so Read returns exactly what
// Write was given. An entry whose file says Hidden=true or X-GNOME-Autostart-enabled=false does
// not start anything and reads as missing.
//
// Threading: one object from one thread at a time. Failure: every call reports it in its result;
// nothing is left half-written.
#pragma once

#include <string>

#include "platform/autostart.h"

namespace platform {

class XdgAutostart : public AutostartStore {
 public:
  // `directory` holds the entry files; it need not exist yet.
  explicit XdgAutostart(std::string directory);

  // The file of entry `name`; empty when `name` cannot be a file name.
  std::string PathFor(std::u16string_view name) const;
  const std::string& directory() const { return directory_; }

  // What the file of entry `name` says. A file that exists counts even when it cannot be read
  // or holds no Exec=: at logon it still overrides an entry of that name in a later folder.
  enum class State { kMissing, kOff, kOn };
  struct Entry {
    State state = State::kMissing;
    std::u16string command_line;  // kOn only
  };
  Entry Lookup(std::u16string_view name) const;

  // Writes entry `name` as Hidden=true: it starts nothing and hides the entries of that name in
  // later folders. Atomic, like Write.
  bool WriteHidden(std::u16string_view name);

  bool Open() override;
  std::optional<std::u16string> Read(std::u16string_view name) override;
  bool Write(std::u16string_view name, std::u16string_view command_line) override;
  bool Remove(std::u16string_view name) override;
  AutostartFailure LastFailure() const override { return failure_; }

  // The Exec= value for `command_line`, and back.
  static std::string EncodeExec(std::u16string_view command_line);
  static std::u16string DecodeExec(std::string_view value);

 private:
  // Records errno `err` about `place`; returns false for the caller to answer.
  bool Fail(int err, const std::string& place);
  // Puts `content` in place as the file of entry `name`, atomically.
  bool Replace(std::u16string_view name, std::string_view content);

  const std::string directory_;
  AutostartFailure failure_;
};

}  // namespace platform
