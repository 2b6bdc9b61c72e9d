#pragma once
// A thread of its own that carries out jobs in the order they were handed
// over, with at most a few waiting: whoever hands them over (the run's
// steps) goes on beside it, and waits only while the queue is full, so the
// memory stays bounded however far the worker falls behind.
//
// A job returns an error text, empty on success. After the first failure
// the remaining and later jobs are dropped, and Finish reports it.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quorvan::movie {

class BoundedWorker {
 public:
  using Job = std::function<std::string()>;

  explicit BoundedWorker(std::size_t capacity = 8);
  BoundedWorker(const BoundedWorker&) = delete;
  BoundedWorker& operator=(const BoundedWorker&) = delete;
  /// Drops what waits and joins the thread.
  ~BoundedWorker();

  /// Queues a job, waiting while the queue is full. False once a job has
  /// failed (the job is then dropped).
  bool Post(Job job);
  /// Waits for every job queued and stops the thread. The first failure's
  /// message, empty when every job succeeded.
  std::string Finish();
  /// Whether a job has failed so far.
  bool Failed() const;

 private:
  void Loop();

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  bool busy_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace quorvan::movie
