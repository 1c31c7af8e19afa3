// The compositor's bands of rows spread over its threads. Bands run in any
// order and on any thread; a flush with turned bubbles whose body's walk
// keeps the shadow's alphas hands each job runs of neighbouring bands, so
// that a band mostly starts where the band above, finished, left those
// alphas, instead of walking the body's rows above it again.
#include <algorithm>

#include "render/backends/cpu/TCpuCompositor.h"

int TCpuCompositor::BandTop(int band, int bands) const {
  return static_cast<int>(static_cast<int64_t>(height_) * band / bands);
}

void TCpuCompositor::RunBands(int bands, const std::function<void(int top, int bottom, int worker)>& afterBand) {
  const auto run = [&](int band, int worker, const TBandLinks& links) {
    const int top = BandTop(band, bands);
    const int bottom = BandTop(band + 1, bands);
    RunBand(top, bottom, worker, links);
    if (afterBand) afterBand(top, bottom, worker);
  };
  const bool handing =
      bands > 1 && std::any_of(turned_.begin(), turned_.end(), [](const TTurnedGroup& g) { return g.Pair->HasThird; });
  if (!handing) {
    pool_.Run(bands, [&](int band, int worker) { run(band, worker, TBandLinks{}); });
    return;
  }
  if (handOvers_.size() < static_cast<size_t>(bands)) handOvers_.resize(static_cast<size_t>(bands));
  for (TShadowHandOver& handOver : handOvers_) handOver.Clear();
  const int jobs = std::min(pool_.Threads(), bands);
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
