// The makers' table: loading the system's registry file (time, and the bytes the table keeps
// on the heap as a counter) and one look-up, for a known block and for an unknown one.
// Without ieee-data installed, the benchmarks say so and measure nothing.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <vector>

#include "platform/linux/oui_table.h"

namespace {

bool HaveRegistry(benchmark::State& state) {
  if (std::filesystem::exists(platform::OuiTable::kSystemPath))
    return true;
  state.SkipWithError("no /usr/share/ieee-data/oui.csv (install ieee-data)");
  return false;
}

void BM_Load(benchmark::State& state) {
  if (!HaveRegistry(state))
    return;
  size_t bytes = 0, entries = 0;
  for (auto _ : state) {
    platform::OuiTable table = platform::OuiTable::Load(platform::OuiTable::kSystemPath);
    bytes = table.MemoryBytes();
    entries = table.size();
    benchmark::DoNotOptimize(table);
  }
  state.counters["heap_bytes"] = static_cast<double>(bytes);
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// Addresses spread over the listed blocks, or made up at random (mostly unknown).
std::vector<std::array<uint8_t, 6>> Addresses(const platform::OuiTable& table, bool known) {
  std::mt19937 random(7);
  std::vector<std::array<uint8_t, 6>> macs;
  while (macs.size() < 4096) {
    std::array<uint8_t, 6> mac{};
    for (auto& byte : mac)
      byte = static_cast<uint8_t>(random());
    mac[0] &= 0xFC;
    if (table.Lookup(mac).has_value() == known)
      macs.push_back(mac);
  }
  return macs;
}

void Lookup(benchmark::State& state, bool known) {
  if (!HaveRegistry(state))
    return;
  const platform::OuiTable& table = platform::OuiTable::Shared();
  const auto macs = Addresses(table, known);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.Lookup(macs[i++ & 4095]));
  }
}
void BM_LookupKnown(benchmark::State& state) {
  Lookup(state, true);
}
void BM_LookupUnknown(benchmark::State& state) {
  Lookup(state, false);
}
BENCHMARK(BM_LookupKnown);
BENCHMARK(BM_LookupUnknown);

}  // namespace

BENCHMARK_MAIN();
