#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "render/backends/cpu/TCpuBandChains.h"
#include "render/backends/cpu/TCpuCompositor.h"
#include "render_cpu/CompositorFixtures.h"
#include "render_cpu/KernelLevels.h"

// A band of rows hands the band below it the body rows whose shadows fall
// there, with their kept alphas, when it finished before that band began;
// otherwise the band below walks those rows itself. Either way every pixel
// must be what the reference rule gives, at every band edge.

namespace {

using namespace fixtures;

// White bubble alphas in one colour, so that body, front and shadow alphas
// travel together in one texture.
std::shared_ptr<TCpuTexels> AlphaTexels(int size, uint32_t seed, uint32_t colour) {
  auto texels = BubbleTexels(size, seed);
  std::mt19937 random(seed);
  for (uint32_t& texel : texels->Pixels) {
    uint32_t alpha = texel >> 24;
    if (seed % 2 == 1 && random() % 5 == 0) alpha = random() & 0xFF;
    texel = alpha << 24 | colour;
  }
  texels->Measure();
  return texels;
}

struct Bubble {
  float X = 0, Y = 0;
  int Size = 0;
  float Angle = 0;
  int ShadowX = 0, ShadowY = 0;
  bool Picture = false;
};

// The bubbles drawn by compositors of each thread count, against the
// reference drawn once.
void ExpectBubblesMatchTheReference(const std::vector<Bubble>& bubbles, int width, int height,
                                    std::initializer_list<int> threadCounts, TSpanKernel kernel) {
  const auto body = AlphaTexels(64, 2, 0xFFFFFF);
  const auto front = AlphaTexels(64, 3, 0xFFFFFF);
  const auto shadow = AlphaTexels(64, 5, 0);
  const auto picture = BubbleTexels(32, 7);
  const auto background = Noise(width, height, 11);
  struct TDraw {
    TD3DTLVertex Corners[4];
    std::shared_ptr<const TCpuTexels> Texels;
  };
  std::vector<TDraw> draws;
  uint32_t tint = 0x305070;
  for (const Bubble& b : bubbles) {
    TDraw d;
    Square(d.Corners, b.X + float(b.ShadowX), b.Y + float(b.ShadowY), b.Size, b.Angle, 0xFF000000u);
    d.Texels = shadow;
    draws.push_back(d);
    tint = tint * 2654435761u + 0x10203;
    Square(d.Corners, b.X, b.Y, b.Size, b.Angle, 0xFF000000u | (tint & 0xFFFFFF));
    d.Texels = body;
    draws.push_back(d);
    if (b.Picture) {
      TDraw p;
      Square(p.Corners, b.X, b.Y, b.Size / 2, b.Angle, 0xFFFFFFFFu);
      p.Texels = picture;
      draws.push_back(p);
    }
    for (auto& corner : d.Corners) corner.color = 0xFFFFFFFFu;
    d.Texels = front;
    draws.push_back(d);
  }
  const TRect all{0, 0, width, height};
  std::vector<uint32_t> expected = background;
  for (const TDraw& d : draws) reference::Square(expected, width, height, d.Corners, AsReference(*d.Texels), all);
  for (int threads : threadCounts) {
    TCpuCompositor compositor(threads, kernel);
    compositor.Resize(width, height);
    ASSERT_TRUE(compositor.Copy(background.data(), width, height, all, 0, 0));
    for (const TDraw& d : draws) compositor.DrawStrip(d.Corners, 4, d.Texels, AlphaBlend());
    // Counted as a frame far too heavy for one thread, cut into bands.
    compositor.Flush([](int, int, int) {}, int64_t(1) << 32);
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(compositor.Pixels()[i], expected[i])
          << "pixel " << i % size_t(width) << ", " << i / size_t(width) << ", kernel " << SpanKernelName(kernel)
          << ", threads " << threads;
    }
  }
}

class BandHandOver : public ::testing::TestWithParam<TSpanKernel> {};

TEST_P(BandHandOver, ShadowsCrossingEveryBandEdgeMatchTheReference) {
  // 250 rows, cut into 8 to 15 bands by 2 to 4 threads (by the work on
  // each row), into none by 1. Bodies end on every other row, so that at
  // every band edge some end just above it, on it and just below it, with
  // shadows moved less than a band, about a band, more than one and as far
  // as alphas are kept: the rows handed over come from one band above or
  // from several.
  constexpr int Width = 120, Height = 250;
  const int moves[] = {1, 15, 16, 17, 21, 35, 63};
  std::vector<Bubble> bubbles;
  int k = 0;
  for (int end = 1; end < Height + 20; end += 2, ++k) {
    Bubble b;
    b.Size = 20 + (k * 7) % 30;
    b.Angle = 0.13f * float(k);
    // About half the turned square's height above its lowest row.
    b.Y = float(end) - float(b.Size) * 0.6f;
    b.X = float((k * 37) % (Width + 20)) - 10;
    b.ShadowX = (k % 5) * 7 - 14;
    b.ShadowY = moves[k % 7];
    b.Picture = k % 4 == 1;
    bubbles.push_back(b);
  }
  ExpectBubblesMatchTheReference(bubbles, Width, Height, {1, 2, 3, 4}, GetParam());
}

TEST_P(BandHandOver, BubblesTallerThanManyBandsMatchTheReference) {
  // Bodies and shadows through several bands, cut by the top and bottom of
  // the surface, drawn over each other so that each band's order matters.
  constexpr int Width = 150, Height = 260;
  std::mt19937 random(61);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<Bubble> bubbles;
  for (int i = 0; i < 14; ++i) {
    Bubble b;
    b.Size = 60 + int(random() % 160);
    b.X = unit(random) * (Width + 40) - 20;
    b.Y = unit(random) * (Height + 80) - 40;
    b.Angle = unit(random);
    b.ShadowX = int(random() % 41) - 20;
    b.ShadowY = 1 + int(random() % 63);
    b.Picture = i % 3 == 0;
    bubbles.push_back(b);
  }
  ExpectBubblesMatchTheReference(bubbles, Width, Height, {2, 3, 5}, GetParam());
}

INSTANTIATE_TEST_SUITE_P(All, BandHandOver, EveryKernelLevel(), KernelLevelName);

// Jobs taking bands in every order the threads may: each band is drawn
// once; a job goes down through neighbours until its run is used up; a
// band hears that the one above finished only when it did, and that the
// one below is taken only when it is.
TEST(TCpuBandChains, EveryBandOnceInRunsOfNeighboursWithHonestNews) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    const int bands = 1 + int(random() % 20);
    const int jobs = 1 + int(random() % 5);
    TCpuBandChains chains;
    chains.Reset(bands, jobs);
    const int runs = std::min(jobs, bands);
    std::vector<int> current(size_t(jobs), -1);
    std::vector<bool> done(size_t(jobs), false);
    std::vector<char> taken(size_t(bands), 0), finished(size_t(bands), 0);
    std::vector<bool> tookOnce(size_t(runs), false);
    std::multiset<int> seen;
    int steps = 0;
    while (std::find(done.begin(), done.end(), false) != done.end()) {
      ASSERT_LT(++steps, 1000);
      const int job = int(random() % uint32_t(jobs));
      if (done[size_t(job)]) continue;
      int& band = current[size_t(job)];
      if (band >= 0) {
        // The job finishes the band it draws before it takes the next.
        chains.Finish(band);
        finished[size_t(band)] = 1;
      }
      const int previous = band;
      const bool belowWasTaken = previous + 1 < bands && taken[size_t(previous) + 1];
      const TCpuBandChains::TTake take = chains.Take(job);
      if (job < runs) tookOnce[size_t(job)] = true;
      band = take.Band;
      if (band < 0) {
        done[size_t(job)] = true;
        continue;
      }
      ASSERT_LT(band, bands);
      ASSERT_EQ(taken[size_t(band)], 0) << "band " << band << " taken twice";
      taken[size_t(band)] = 1;
      seen.insert(band);
      // A job's first band is the top of its own run, when nobody took it.
      if (previous < 0 && job < runs && band != bands * job / runs) {
        EXPECT_TRUE(taken[size_t(bands * job / runs)]);
      }
      EXPECT_EQ(take.AboveFinished, band > 0 && finished[size_t(band) - 1] != 0);
      EXPECT_EQ(take.BelowTaken, band + 1 < bands && taken[size_t(band) + 1] != 0);
      // A job moves on to the band below while that one is free and lies
      // in the run of the band it drew, or heads a run nobody started.
      const auto runOf = [&](int b) {
        int r = 0;
        while (r + 1 < runs && b >= bands * (r + 1) / runs) ++r;
        return r;
      };
      const int below = previous + 1;
      if (previous >= 0 && below < bands && !belowWasTaken) {
        const bool sameRun = runOf(below) == runOf(previous);
        const bool unstartedHead = below == bands * runOf(below) / runs && !tookOnce[size_t(runOf(below))];
        if (sameRun || unstartedHead) {
          EXPECT_EQ(band, below) << "after " << previous;
        }
      }
    }
    EXPECT_EQ(seen.size(), size_t(bands));
    EXPECT_EQ(chains.Take(0).Band, -1);
  }
}

TEST(TCpuBandChains, AJobAloneTakesOverRunsNobodyStartedWholeFromTheTop) {
  // Bands 0-1, 2-3 and 4-6 for three jobs, of which only the second comes:
  // its own run, then the longest left, then the other, each from the top.
  TCpuBandChains chains;
  chains.Reset(7, 3);
  const int order[] = {2, 3, 4, 5, 6, 0, 1};
  const bool aboveFinished[] = {false, true, true, true, true, false, true};
  for (size_t i = 0; i < 7; ++i) {
    const TCpuBandChains::TTake take = chains.Take(1);
    EXPECT_EQ(take.Band, order[i]);
    EXPECT_EQ(take.AboveFinished, aboveFinished[i]) << "band " << take.Band;
    EXPECT_FALSE(take.BelowTaken && take.Band != 1) << "band " << take.Band;
    chains.Finish(take.Band);
  }
  EXPECT_EQ(chains.Take(1).Band, -1);
  EXPECT_EQ(chains.Take(0).Band, -1);
}

TEST(TCpuBandChains, AJobWithNothingLeftTakesTheLowerHalfOfAStartedRun) {
  TCpuBandChains chains;
  chains.Reset(8, 2);
  EXPECT_EQ(chains.Take(1).Band, 4);
  // Job 0 draws its run while job 1 is still on band 4.
  for (int band = 0; band < 4; ++band) chains.Finish(chains.Take(0).Band);
  // Bands 5-7 are left to job 1: job 0 takes 6 and 7.
  const TCpuBandChains::TTake stolen = chains.Take(0);
  EXPECT_EQ(stolen.Band, 6);
  EXPECT_FALSE(stolen.AboveFinished);
  const TCpuBandChains::TTake next = chains.Take(1);
  EXPECT_EQ(next.Band, 5);
  EXPECT_TRUE(next.BelowTaken);
  chains.Finish(6);
  EXPECT_EQ(chains.Take(0).Band, 7);
  EXPECT_EQ(chains.Take(1).Band, -1);
  EXPECT_EQ(chains.Take(0).Band, -1);
}

}  // namespace
