// The encoder's thread: jobs in order, a bounded queue, the first failure kept.

#include "bounded_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

namespace quorvan::movie {
namespace {

TEST(BoundedWorker, RunsEveryJobInOrderBesideTheCaller) {
  BoundedWorker worker(3);
  std::vector<int> done;  // touched by the worker only until Finish
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(worker.Post([&done, i] {
      done.push_back(i);
      return std::string();
    }));
  }
  EXPECT_EQ(worker.Finish(), "");
  ASSERT_EQ(done.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
}

TEST(BoundedWorker, PostWaitsWhileTheQueueIsFull) {
  BoundedWorker worker(2);
  std::promise<void> started;
  std::promise<void> release;
  std::shared_future<void> gate = release.get_future().share();
  ASSERT_TRUE(worker.Post([&started, gate] {
    started.set_value();
    gate.wait();
    return std::string();
  }));
  started.get_future().wait();
  // The first job runs (and waits); two more fill the queue.
  ASSERT_TRUE(worker.Post([] { return std::string(); }));
  ASSERT_TRUE(worker.Post([] { return std::string(); }));
  std::atomic<bool> posted{false};
  std::thread late([&] {
    worker.Post([] { return std::string(); });
    posted = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(posted) << "a full queue took one more job";
  release.set_value();
  late.join();
  EXPECT_TRUE(posted);
  EXPECT_EQ(worker.Finish(), "");
}

TEST(BoundedWorker, TheFirstFailureStopsTheRestAndIsReported) {
  BoundedWorker worker(4);
  std::atomic<int> ran{0};
  for (int i = 0; i < 20; ++i) {
    worker.Post([&ran, i] {
      ++ran;
      return i == 5 ? std::string("disk full at 5") : i > 5 ? std::string("later failure") : std::string();
    });
  }
  EXPECT_EQ(worker.Finish(), "disk full at 5");
  EXPECT_TRUE(worker.Failed());
  EXPECT_LT(ran.load(), 20);
  EXPECT_FALSE(worker.Post([] { return std::string(); }));
}

}  // namespace
}  // namespace quorvan::movie
