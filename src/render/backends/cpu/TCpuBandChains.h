#pragma once
#include <mutex>
#include <vector>

// Hands out the bands of a flush (0 at the top) to its jobs so that each job
// draws neighbouring bands downwards, one after another: a band whose
// neighbour above is finished takes what that one hands over instead of
// working it out again. Job j starts on the j-th run of neighbouring bands;
// a job whose run is used up takes over a run nobody has started (the one
// just below, if so), or else the lower half of what is left of the longest.
class TCpuBandChains {
 public:
  struct TTake {
    int Band = -1;
    // The band above finished before this one was taken: what it hands
    // over is complete.
    bool AboveFinished = false;
    // The band below is taken already: it will not wait for anything.
    bool BelowTaken = false;
  };

  // `bands` bands in `jobs` runs of neighbours, as even as they come.
  void Reset(int bands, int jobs);
  TTake Take(int job);
  void Finish(int band);

 private:
  struct TRun {
    int Next = 0, End = 0;
    // Whether its job has taken a band yet.
    bool Started = false;
  };
  std::mutex mutex_;
  std::vector<TRun> runs_;
  std::vector<char> taken_, finished_;
};
