#include "bounded_worker.h"

namespace quorvan::movie {

BoundedWorker::BoundedWorker(std::size_t capacity)
    : capacity_(capacity == 0 ? 1 : capacity), thread_([this] { Loop(); }) {}

BoundedWorker::~BoundedWorker() {
  {
    std::lock_guard lock(mutex_);
    jobs_.clear();
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool BoundedWorker::Post(Job job) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.size() < capacity_ || !error_.empty(); });
  if (!error_.empty() || stopping_) return false;
  jobs_.push_back(std::move(job));
  changed_.notify_all();
  return true;
}

std::string BoundedWorker::Finish() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (jobs_.empty() && !busy_) || !error_.empty(); });
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  return error_;
}

bool BoundedWorker::Failed() const {
  std::lock_guard lock(mutex_);
  return !error_.empty();
}

void BoundedWorker::Loop() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      busy_ = true;
    }
    std::string error = job();
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
      if (!error.empty() && error_.empty()) {
        error_ = std::move(error);
        jobs_.clear();
      }
    }
    changed_.notify_all();
  }
}

}  // namespace quorvan::movie
