#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few threads kept for the life of the compositor, so a frame hands out
// its bands without starting a thread. The calling thread works too: a pool
// of n threads has n - 1 workers of its own.
class TCpuWorkerPool {
 public:
  // `job(index, worker)`: worker is 0..Threads()-1, fixed while the job runs,
  // so it can pick scratch memory of its own.
  using TJob = std::function<void(int index, int worker)>;

  explicit TCpuWorkerPool(int threads);
  ~TCpuWorkerPool();
  TCpuWorkerPool(const TCpuWorkerPool&) = delete;
  TCpuWorkerPool& operator=(const TCpuWorkerPool&) = delete;

  int Threads() const { return static_cast<int>(workers_.size()) + 1; }
  // Runs job(0..count-1) spread over the threads and returns when all ended.
  void Run(int count, const TJob& job);

 private:
  void Work(int worker);
  void TakeJobs(int worker);

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const TJob* job_ = nullptr;
  int count_ = 0;
  uint64_t generation_ = 0;
  // Workers inside TakeJobs; Run waits for them, not for sleepers.
  int active_ = 0;
  bool stopping_ = false;
  std::atomic<int> next_{0};
};
