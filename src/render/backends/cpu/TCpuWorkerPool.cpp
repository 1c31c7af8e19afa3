#include "render/backends/cpu/TCpuWorkerPool.h"

#include <algorithm>

TCpuWorkerPool::TCpuWorkerPool(int threads) {
  const int workers = std::max(threads, 1) - 1;
  workers_.reserve(static_cast<size_t>(workers));
  for (int i = 0; i < workers; ++i) workers_.emplace_back(&TCpuWorkerPool::Work, this, i + 1);
}

TCpuWorkerPool::~TCpuWorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& worker : workers_) worker.join();
}

void TCpuWorkerPool::TakeJobs(int worker) {
  for (int index = next_.fetch_add(1); index < count_; index = next_.fetch_add(1)) (*job_)(index, worker);
}

void TCpuWorkerPool::Run(int count, const TJob& job) {
  if (count <= 0) return;
  if (workers_.empty() || count == 1) {
    for (int i = 0; i < count; ++i) job(i, 0);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    job_ = &job;
    count_ = count;
    next_ = 0;
    ++generation_;
  }
  wake_.notify_all();
  TakeJobs(0);
  // Every job is taken now; wait only for the workers still running one, so
  // a worker the scheduler wakes late never holds the frame up.
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return active_ == 0; });
  job_ = nullptr;
  count_ = 0;
}

void TCpuWorkerPool::Work(int worker) {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      if (!job_ || next_.load() >= count_) continue;
      ++active_;
    }
    TakeJobs(worker);
    {
      std::lock_guard lock(mutex_);
      if (--active_ == 0) done_.notify_one();
    }
  }
}
