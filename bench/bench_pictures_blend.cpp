#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "pictures/FadeBlend.h"
#include "render/TDIB.h"
#include "render/TDirectDrawSurface.h"

// One step of the slideshow's cross-fade: the blend over the whole surface and
// its conversion into the step surface on the loader thread, and what the
// user-interface thread does inside the hand-over.

namespace {

std::atomic<long> Allocations{0};

void Noise(TDIB& dib, uint32_t seed)
{
    std::mt19937 random(seed);
    for (size_t i = 0; i < dib.Size(); ++i)
        dib.Bits()[i] = uint8_t(random());
    // Some key-coloured pixels, as a picture with a hole would have.
    for (int32_t y = 0; y < dib.Height(); y += 7)
        dib.SetColor(y % dib.Width(), y, 0x650000);
}

void BlendStep(benchmark::State& state)
{
    const auto width = int32_t(state.range(0));
    const auto height = int32_t(state.range(1));
    TDIB current, next;
    current.SetSize(width, height, 24);
    next.SetSize(width, height, 24);
    Noise(current, 1);
    Noise(next, 2);
    int32_t step = 1;
    const long before = Allocations;
    for (auto _ : state) {
        BlendPicture(current, next, FadeWeight(step));
        benchmark::DoNotOptimize(current.Bits());
        step = step % FadeSteps + 1;
    }
    state.counters["allocations_per_step"] =
        benchmark::Counter(double(Allocations - before), benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(current.Size()));
}

// The loader's conversion of the blended picture into the step surface,
// which keeps its memory from step to step.
void StepSurfaceDraw(benchmark::State& state)
{
    const auto width = int32_t(state.range(0));
    const auto height = int32_t(state.range(1));
    TDIB current;
    current.SetSize(width, height, 24);
    Noise(current, 3);
    TDirectDrawSurface step;
    step.CopyPicture(current);
    const long before = Allocations;
    for (auto _ : state) {
        step.CopyPicture(current);
        benchmark::DoNotOptimize(step.ScanLine(0));
    }
    state.counters["allocations_per_step"] =
        benchmark::Counter(double(Allocations - before), benchmark::Counter::kAvgIterations);
}

// The user-interface thread's part of a step: the background takes the step
// surface's pixels and gives its own back.
void HandOver(benchmark::State& state)
{
    const auto width = int32_t(state.range(0));
    const auto height = int32_t(state.range(1));
    TDirectDrawSurface step, background;
    step.SetSurfaceSize(width, height);
    background.SetSurfaceSize(width, height);
    const long before = Allocations;
    for (auto _ : state) {
        if (!background.SwapPixels(step))
            background.BltFast(0, 0, step, step.ClientRect(), 0);
        benchmark::DoNotOptimize(background.ScanLine(0));
    }
    state.counters["allocations_per_step"] =
        benchmark::Counter(double(Allocations - before), benchmark::Counter::kAvgIterations);
}

}

// Counts the program's allocations so the benchmarks can show what a step
// allocates.
void* operator new(std::size_t size)
{
    ++Allocations;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

BENCHMARK(BlendStep)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(StepSurfaceDraw)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(HandOver)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
