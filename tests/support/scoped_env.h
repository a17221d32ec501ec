// test::ScopedEnv sets an environment variable for its lifetime and puts back what was there;
// test::ScopedRuntimeDir gives a test a private XDG_RUNTIME_DIR of its own, so nothing else
// that runs on the machine (a Tavlo of the same user included) meets its locks and sockets.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

#include "support/scoped_temp_dir.h"

namespace test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name))
      saved_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (saved_)
      ::setenv(name_.c_str(), saved_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

class ScopedRuntimeDir {
 public:
  ScopedRuntimeDir() : env_("XDG_RUNTIME_DIR", dir_.path().string()) {}
  const std::filesystem::path& path() const { return dir_.path(); }

 private:
  ScopedTempDir dir_;  // mode 0700, as a runtime folder must be
  ScopedEnv env_;
};

}  // namespace test
