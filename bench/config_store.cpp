// What a store operation costs next to the zlib work it cannot avoid: a read inflates the
// whole container, a write inflates and deflates it. Files of 10, 100 and 1,000 records of
// about 32-byte values. "vs_zlib" is the store operation's time over that zlib work, measured
// in the same run on the same container.
//
// Times are the thread's CPU time (system calls included), so that other work on the machine
// does not skew the ratio.
//
// The flush rule runs on a frozen tick source, so no save is flushed: a flush costs what the
// disk makes it cost, which is not the store's doing.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <time.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config_center_impl.h"
#include "config/test_files.h"

namespace {

class FrozenTicks : public config::ITickSource {
 public:
  std::uint32_t GetTickCount() override { return 0; }
};

double CpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Fixture {
  explicit Fixture(int records) {
    // Settings-like text: a 15-character value and its NUL, 32 bytes.
    for (int i = 0; i < records; ++i) {
      char key[32];
      char value[32];
      std::snprintf(key, sizeof(key), "Setting%04d", i);
      std::snprintf(value, sizeof(value), "wlan-%04d-%08x", i, i * 2654435761u);
      const std::u16string k(key, key + std::char_traits<char>::length(key));
      const std::u16string v(value, value + 15);
      store.SetString(k.c_str(), v.c_str());
    }
    store.SetInt(u"Counter", 1);
    config::CConfigFile file(path, &flush, config::CConfigFile::Access::kRead);
    file.LoadContainer(&container);
    uLongf size = compressBound(static_cast<uLong>(container.size()));
    compressed.resize(size);
    compress(compressed.data(), &size, container.data(), container.size());
    compressed.resize(size);
  }

  double InflateSeconds() const {
    std::vector<std::uint8_t> out(container.size());
    return Time([&] {
      uLongf size = out.size();
      uncompress(out.data(), &size, compressed.data(), compressed.size());
      benchmark::DoNotOptimize(out.data());
    });
  }

  double DeflateSeconds() const {
    std::vector<std::uint8_t> out(compressBound(static_cast<uLong>(container.size())));
    return Time([&] {
      uLongf size = out.size();
      compress(out.data(), &size, container.data(), container.size());
      benchmark::DoNotOptimize(out.data());
    });
  }

  template <class Work>
  static double Time(Work work) {
    constexpr int kRounds = 2000;
    work();
    const double start = CpuSeconds();
    for (int i = 0; i < kRounds; ++i)
      work();
    return (CpuSeconds() - start) / kRounds;
  }

  config_test::TempDir dir;
  std::filesystem::path path = dir / "config.db";
  FrozenTicks ticks;
  config::CFlushRule flush{&ticks};
  config::CConfigCenterImpl store{path, &flush};
  config::ByteBuffer container;
  std::vector<std::uint8_t> compressed;
};

void Report(benchmark::State& state, const Fixture& f, double spent, double zlib_seconds) {
  const double per_op = spent / static_cast<double>(state.iterations());
  state.counters["container_B"] = static_cast<double>(f.container.size());
  state.counters["payload_B"] = static_cast<double>(f.compressed.size());
  state.counters["zlib_us"] = zlib_seconds * 1e6;
  state.counters["vs_zlib"] = per_op / zlib_seconds;
}

void BM_GetInt(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  const double zlib = f.InflateSeconds();
  const double start = CpuSeconds();
  for (auto _ : state)
    benchmark::DoNotOptimize(f.store.GetInt(u"Counter", 0));
  Report(state, f, CpuSeconds() - start, zlib);
}

void BM_SetInt(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  const double zlib = f.InflateSeconds() + f.DeflateSeconds();
  std::int32_t value = 0;
  const double start = CpuSeconds();
  for (auto _ : state)
    f.store.SetInt(u"Counter", ++value);
  Report(state, f, CpuSeconds() - start, zlib);
}

void BM_ZlibInflate(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> out(f.container.size());
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(
        uncompress(out.data(), &size, f.compressed.data(), f.compressed.size()));
  }
}

void BM_ZlibDeflate(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> out(compressBound(static_cast<uLong>(f.container.size())));
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(compress(out.data(), &size, f.container.data(), f.container.size()));
  }
}

BENCHMARK(BM_GetInt)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibInflate)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetInt)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibDeflate)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
