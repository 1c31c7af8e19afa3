// The compositor's bands of rows spread over its threads. Bands run in any
// order and on any thread; a flush with turned bubbles whose body's walk
// keeps the shadow's alphas hands each job runs of neighbouring bands, so
// that a band mostly starts where the band above, finished, left those
// alphas, instead of walking the body's rows above it again.
#include <algorithm>

#include "render/backends/cpu/TCpuCompositor.h"

void TCpuCompositor::PlanBandEdges(int bands, int jobs) {
  // Work per row: each command's width on the rows it may touch (a copy's
  // pixels spread over its rows), summed from where each starts and ends.
  rowWork_.assign(static_cast<size_t>(height_) + 1, 0);
  for (const TCommand& c : commands_) {
    const int rows = c.Bounds.Height();
    if (rows <= 0) continue;
    const int64_t width = c.Kind == TKind::Copy ? std::max<int64_t>(1, c.Work / rows) : c.Bounds.Width();
    rowWork_[static_cast<size_t>(c.Bounds.Top)] += width;
    rowWork_[static_cast<size_t>(c.Bounds.Bottom)] -= width;
  }
  // Then the work above each row's end, at least a little per row.
  int64_t width = 0, total = 0;
  for (size_t row = 0; row < static_cast<size_t>(height_); ++row) {
    width += rowWork_[row];
    total += std::max<int64_t>(width, 1);
    rowWork_[row] = total;
  }
  bandEdges_.assign(static_cast<size_t>(bands) + 1, height_);
  bandEdges_[0] = 0;
  int band = 0, row = 0;
  for (int job = 0; job < jobs; ++job) {
    const int count = bands * (job + 1) / jobs - bands * job / jobs;
    // Band k of a run's `count` weighs count + 1 - k: the last about half
    // the first.
    const int64_t weights = int64_t(count) * (count + 3) / 2;
    int64_t weight = 0;
    for (int k = 0; k < count; ++k, ++band) {
      weight += count + 1 - k;
      const int64_t target = total * job / jobs + total / jobs * weight / weights;
      while (row < height_ && rowWork_[static_cast<size_t>(row)] < target) ++row;
      // Every band keeps a row at least, and leaves one to each after it.
      bandEdges_[static_cast<size_t>(band) + 1] =
          std::clamp(row + 1, bandEdges_[static_cast<size_t>(band)] + 1, height_ - (bands - band - 1));
      row = bandEdges_[static_cast<size_t>(band) + 1];
    }
  }
  bandEdges_[static_cast<size_t>(bands)] = height_;
}

void TCpuCompositor::RunBands(int bands, const std::function<void(int top, int bottom, int worker)>& afterBand) {
  const bool handing =
      bands > 1 && std::any_of(turned_.begin(), turned_.end(), [](const TTurnedGroup& g) { return g.Pair->HasThird; });
  const int jobs = std::min(pool_.Threads(), bands);
  if (handing) {
    PlanBandEdges(bands, jobs);
  } else {
    bandEdges_.resize(static_cast<size_t>(bands) + 1);
    for (int band = 0; band <= bands; ++band) {
      bandEdges_[static_cast<size_t>(band)] = static_cast<int>(static_cast<int64_t>(height_) * band / bands);
    }
  }
  const auto run = [&](int band, int worker, const TBandLinks& links) {
    const int top = bandEdges_[static_cast<size_t>(band)];
    const int bottom = bandEdges_[static_cast<size_t>(band) + 1];
    RunBand(top, bottom, worker, links);
    RecordTurnedTouched(worker);
    if (afterBand) afterBand(top, bottom, worker);
  };
  if (!handing) {
    pool_.Run(bands, [&](int band, int worker) { run(band, worker, TBandLinks{}); });
    return;
  }
  if (handOvers_.size() < static_cast<size_t>(bands)) handOvers_.resize(static_cast<size_t>(bands));
  for (TShadowHandOver& handOver : handOvers_) handOver.Clear();
  chains_.Reset(bands, jobs);
  pool_.Run(jobs, [&](int job, int worker) {
    for (TCpuBandChains::TTake take = chains_.Take(job); take.Band >= 0; take = chains_.Take(job)) {
      TBandLinks links;
      if (take.AboveFinished) links.From = &handOvers_[static_cast<size_t>(take.Band)];
      if (!take.BelowTaken && take.Band + 1 < bands) links.To = &handOvers_[static_cast<size_t>(take.Band) + 1];
      run(take.Band, worker, links);
      chains_.Finish(take.Band);
    }
  });
}
