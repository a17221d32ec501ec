// The start-at-logon entries as a desktop session sees them: XDG autostart folders in order of
// importance, where the first folder that has a file of an entry's name decides about it (a
// Hidden=true file there hides the entries of that name further down). Changes go into the most
// important folder, the one this process may write: the user's own, or the machine-wide one
// when it runs as root. An entry that lives further down and cannot be removed from there is
// switched off by a hiding file on top.
//
// Threading: one object from one thread at a time. Failure: Open, Write and Remove answer false
// and leave the reason in LastFailure; Read answers from whatever folders can be read.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/autostart.h"
#include "platform/linux/xdg_autostart.h"

namespace platform {

class LayeredAutostart : public AutostartStore {
 public:
  struct Folders {
    std::string writable;            // changes go here; created when needed; empty: none
    std::vector<std::string> below;  // only read, most important first
    bool operator==(const Folders&) const = default;
  };
  // An environment variable's value; nullopt when it is not set.
  using Environment = std::function<std::optional<std::string>(const char* name)>;

  // The folders of a process that runs as root (the first of $XDG_CONFIG_DIRS, default
  // /etc/xdg, then the others) or as a user ($XDG_CONFIG_HOME, default $HOME/.config, then all
  // of $XDG_CONFIG_DIRS), each with "/autostart". Relative paths in the variables are ignored.
  static Folders FoldersFor(bool as_root, const Environment& env);
  // FoldersFor this process: root when its effective user id is 0; a missing HOME comes from the
  // password database.
  static Folders ProcessFolders();

  explicit LayeredAutostart(Folders folders);

  const Folders& folders() const { return folders_; }

  bool Open() override;
  std::optional<std::u16string> Read(std::u16string_view name) override;
  // Writes the entry on top, or only removes a file on top that hides the same command line
  // further down.
  bool Write(std::u16string_view name, std::u16string_view command_line) override;
  // Removes the entry on top, and hides what would start further down.
  bool Remove(std::u16string_view name) override;
  AutostartFailure LastFailure() const override { return failure_; }

 private:
  // The entry `name` as the folders below the top one decide it.
  XdgAutostart::Entry LookupBelow(std::u16string_view name) const;
  // True when there is a folder to write; otherwise records why not.
  bool HasTop();
  bool Failed();

  const Folders folders_;
  XdgAutostart top_;
  std::vector<XdgAutostart> below_;
  AutostartFailure failure_;
};

}  // namespace platform
