// Whole-file helpers and a hand-moved tick source for settings tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/flush_rule.h"
#include "support/scoped_temp_dir.h"

namespace config_test {

using TempDir = test::ScopedTempDir;

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <class Bytes>
void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

class FakeTicks : public config::ITickSource {
 public:
  std::uint32_t GetTickCount() override { return now_; }
  void Set(std::uint32_t now) { now_ = now; }

 private:
  std::atomic<std::uint32_t> now_{0};
};

}  // namespace config_test
