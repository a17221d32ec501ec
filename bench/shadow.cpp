// Rendering a window shadow (CWndShadow::MakeShadow) with the menu's settings, for a full-HD
// window with rounded corners and for the tray menu's size, beside filling the same buffer
// with std::fill: the shadow's cost should stay within a small multiple of touching every
// pixel once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "duilib/window_wnd.h"
#include "ui/menu_wnd.h"
#include "ui/wnd_shadow.h"

namespace DuiLib {
namespace {

class RegionWnd : public CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"BenchShadowParent"; }
};

struct Case {
  int width;
  int height;
  int corner;
};

constexpr Case kLarge{1920, 1080, 8};
// The tray menu: 160 wide, 100 of items plus 8, corners of 4.
constexpr Case kMenu{160, 108, 4};

size_t Pixels(const Case& c) {
  const int s = CMenuWnd::kShadowSize;
  return static_cast<size_t>(c.width + 2 * s) * static_cast<size_t>(c.height + 2 * s);
}

void BM_Fill(benchmark::State& state, Case c) {
  std::vector<DWORD> pixels(Pixels(c));
  for (auto _ : state) {
    std::fill(pixels.begin(), pixels.end(), 0u);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pixels.size() * 4));
}

void BM_MakeShadow(benchmark::State& state, Case c) {
  RegionWnd parent;
  HWND h = parent.Create(nullptr, u"parent", WS_POPUP, 0, 0, 0, c.width, c.height);
  // As a menu window shapes itself: one pixel beyond its size.
  SetWindowRgn(h, CreateRoundRectRgn(0, 0, c.width + 1, c.height + 1, c.corner, c.corner), false);
  CWndShadow shadow;
  shadow.SetSize(CMenuWnd::kShadowSize);
  shadow.SetDarkness(CMenuWnd::kShadowDarkness);
  shadow.SetPosition(0, 0);
  std::vector<DWORD> pixels(Pixels(c));
  const RECT rc{0, 0, c.width, c.height};
  for (auto _ : state) {
    shadow.MakeShadow(pixels.data(), h, rc);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pixels.size() * 4));
  DestroyWindow(h);
}

BENCHMARK_CAPTURE(BM_Fill, 1920x1080, kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MakeShadow, 1920x1080, kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Fill, menu, kMenu)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MakeShadow, menu, kMenu)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace DuiLib

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
