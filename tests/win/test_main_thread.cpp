// The hand-over to the main thread: order, work run at once on the main thread, shutdown with waiting
// callers, and work for a target that is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "testkit/WinTestSupport.h"

TEST(MainThread, WorkFromEachThreadRunsInOrderOnTheMainThread) {
  TMainThread mainThread;
  const DWORD mainId = GetCurrentThreadId();
  const int kThreads = 4, kEach = 500;
  std::vector<std::vector<int>> seen(kThreads);
  std::atomic<int> finished{0};
  std::atomic<bool> wrongThread{false}, synchronizeEarly{false};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t)
    workers.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        Queue([&, t, i] {
          if (GetCurrentThreadId() != mainId) wrongThread = true;
          seen[t].push_back(i);
        });
      // Runs after this thread's queued work, so all of it has run when Synchronize returns.
      EXPECT_TRUE(Synchronize([&, t] {
        if (seen[t].size() != kEach) synchronizeEarly = true;
        ++finished;
      }));
    });
  PumpMessagesUntil([&] { return finished == kThreads; });
  for (auto& worker : workers) worker.join();
  EXPECT_FALSE(wrongThread);
  EXPECT_FALSE(synchronizeEarly);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(size_t(kEach), seen[t].size());
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(i, seen[t][i]) << "thread " << t;
  }
}

TEST(MainThread, OnTheMainThreadWorkRunsAtOnceAndErrorsReachTheCaller) {
  TMainThread mainThread;
  EXPECT_TRUE(IsMainThread());
  int runs = 0;
  EXPECT_TRUE(Synchronize([&] { ++runs; }));
  EXPECT_EQ(1, runs);
  Queue([&] { ++runs; });
  EXPECT_EQ(2, runs);
  EXPECT_THROW(Queue([] { throw std::runtime_error("queued"); }), std::runtime_error);

  // From a worker, an error of the work is raised again in the waiting caller.
  bool ran = false;
  std::thread worker([&] {
    EXPECT_FALSE(IsMainThread());
    EXPECT_THROW(Synchronize([&] {
                   ran = true;
                   throw std::runtime_error("synchronized");
                 }),
                 std::runtime_error);
  });
  PumpMessagesUntil([&] { return ran; });
  worker.join();
}

TEST(MainThread, ShutdownReleasesWaitingCallersAndFreesWorkUnrun) {
  TMainThread mainThread;
  auto payload = std::make_shared<int>(0);
  std::atomic<int> result{-1};
  std::thread waiter([&] {
    Queue([payload] { ++*payload; });
    result = Synchronize([payload] { ++*payload; }) ? 1 : 0;
  });
  // The wake message shows that work is waiting; it is taken but never dispatched.
  MSG message;
  ASSERT_GT(GetMessageW(&message, nullptr, 0, 0), 0);
  mainThread.Shutdown();
  waiter.join();
  EXPECT_EQ(0, result) << "the waiting Synchronize returns false";
  EXPECT_EQ(0, *payload) << "no work ran";
  EXPECT_EQ(1, payload.use_count()) << "the dropped work was freed";

  // After shutdown, a caller is refused at once.
  std::thread late([&] { result = Synchronize([payload] { ++*payload; }) ? 1 : 0; });
  late.join();
  EXPECT_EQ(0, result);
  EXPECT_EQ(0, *payload);
}

// A worker that keeps calling after shutdown leaves the first refusal and a count in the log, not a line a call.
TEST(MainThread, RefusedCallsAfterShutdownLogTheFirstAndACount) {
  const struct {
    std::string caller, first;
    std::function<void()> call;
  } cases[] = {
      {"Synchronize", "no main thread takes work (shutting down), call dropped", [] { Synchronize([] {}); }},
      {"Queue", "no main thread takes work (shutting down), work dropped", [] { Queue([] {}); }},
  };
  InitGlobal();
  for (const auto& c : cases) {
    TMainThread().Shutdown();
    const size_t before = LogLines().size();
    std::thread worker([&] {
      for (int i = 0; i < 1000; ++i) c.call();
    });
    worker.join();
    const std::string prefix = c.caller + ": ";
    std::vector<std::string> refusals;
    const std::vector<std::string> lines = LogLines();
    for (size_t i = before; i < lines.size(); ++i)
      if (lines[i].find(prefix) != std::string::npos) refusals.push_back(lines[i].substr(lines[i].find(prefix)));
    EXPECT_EQ((std::vector<std::string>{prefix + c.first, prefix + "10 calls refused since shutdown",
                                        prefix + "100 calls refused since shutdown",
                                        prefix + "1000 calls refused since shutdown"}),
              refusals);
  }
}

TEST(MainThread, WorkForATargetThatIsGoneIsDroppedAndFreed) {
  TMainThread mainThread;
  auto target = std::make_unique<TLiveness>();
  auto payload = std::make_shared<int>(0);
  bool afterRan = false;
  std::thread worker([&, token = target->Token()] {
    Queue([payload] { ++*payload; }, token);
    Queue([&] { afterRan = true; });
  });
  worker.join();
  target.reset();
  PumpMessagesUntil([&] { return afterRan; });
  EXPECT_EQ(0, *payload) << "no work ran against the destroyed target";
  EXPECT_EQ(1, payload.use_count());

  // A target that is still alive gets its work.
  TLiveness alive;
  std::thread second([&, token = alive.Token()] { Queue([payload] { ++*payload; }, token); });
  second.join();
  PumpMessagesUntil([&] { return *payload == 1; });
}
