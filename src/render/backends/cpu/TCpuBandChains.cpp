#include "render/backends/cpu/TCpuBandChains.h"

#include <algorithm>

void TCpuBandChains::Reset(int bands, int jobs) {
  std::lock_guard lock(mutex_);
  jobs = std::clamp(jobs, 1, std::max(bands, 1));
  runs_.assign(static_cast<size_t>(jobs), TRun{});
  for (int j = 0; j < jobs; ++j) {
    runs_[static_cast<size_t>(j)].Next = bands * j / jobs;
    runs_[static_cast<size_t>(j)].End = bands * (j + 1) / jobs;
  }
  taken_.assign(static_cast<size_t>(std::max(bands, 0)), 0);
  finished_.assign(static_cast<size_t>(std::max(bands, 0)), 0);
}

TCpuBandChains::TTake TCpuBandChains::Take(int job) {
  std::lock_guard lock(mutex_);
  TTake take;
  if (job < 0 || static_cast<size_t>(job) >= runs_.size()) return take;
  TRun& own = runs_[static_cast<size_t>(job)];
  own.Started = true;
  if (own.Next >= own.End) {
    // The run just below the last band drawn, when nobody started it, goes
    // on from there; else the longest.
    TRun* longest = nullptr;
    for (TRun& run : runs_) {
      if (!run.Started && run.Next == own.End && run.Next < run.End) {
        longest = &run;
        break;
      }
      if (run.End - run.Next > 0 && (!longest || run.End - run.Next > longest->End - longest->Next)) longest = &run;
    }
    if (!longest) return take;
    if (!longest->Started) {
      // Nobody draws it yet: all of it, from the top.
      own.Next = longest->Next;
      own.End = longest->End;
      longest->Next = longest->End;
    } else {
      // Its job is drawing the band above what is left: the lower half.
      const int left = longest->End - longest->Next;
      own.Next = longest->Next + left / 2;
      own.End = longest->End;
      longest->End = own.Next;
    }
  }
  take.Band = own.Next++;
  const size_t band = static_cast<size_t>(take.Band);
  taken_[band] = 1;
  take.AboveFinished = band > 0 && finished_[band - 1];
  take.BelowTaken = band + 1 < taken_.size() && taken_[band + 1];
  return take;
}

void TCpuBandChains::Finish(int band) {
  std::lock_guard lock(mutex_);
  if (band >= 0 && static_cast<size_t>(band) < finished_.size()) finished_[static_cast<size_t>(band)] = 1;
}
