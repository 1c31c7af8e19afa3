// One physics step for a full table of bubbles on a 1920 x 1080 screen.
#include <benchmark/benchmark.h>

#include "scene/UBallLink.h"
#include "settings/TBallSettings.h"

namespace {

constexpr int32_t ScreenWidth = 1920;
constexpr int32_t ScreenHeight = 1080;
constexpr int32_t DefaultRadius = 78;

void BM_MoveBalls(benchmark::State& state)
{
    ScreenRect = {0, 0, ScreenWidth, ScreenHeight};
    BallRadius = DefaultRadius;
    Restitution = DefaultRestitution;
    BallSettings.BallsCount = static_cast<int32_t>(state.range(0));
    BuildBalls(BallSettings.BallsCount);
    for (auto _ : state) {
        MoveBalls(1.0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

}

BENCHMARK(BM_MoveBalls)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
