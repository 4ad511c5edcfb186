#pragma once
// The one hand-over of work to the main thread. Work waits in one queue owned by the main-thread side and is
// run from one HWND_MESSAGE window; the wake message carries no payload, so a message that is never delivered
// loses nothing and frees nothing twice. One wake message is outstanding at a time and each runs one piece
// of work, so a flood of work cannot fill the thread's message queue, and work also runs inside modal loops.
#include <cstdint>
#include <functional>
#include <memory>

// Whether the target of queued work still exists: the target owns a TLiveness (made and destroyed on the main
// thread) and work queued with its token is dropped once the target is gone.
using TLifeToken = std::weak_ptr<const void>;
class TLiveness {
 public:
  TLiveness() : fAlive(std::make_shared<char>()) {}
  TLiveness(const TLiveness&) = delete;
  TLiveness& operator=(const TLiveness&) = delete;
  TLifeToken Token() const { return fAlive; }

 private:
  std::shared_ptr<char> fAlive;
};

// Makes the calling thread the main thread and opens the hand-over; one at a time per process.
class TMainThread {
 public:
  // Raises std::runtime_error when another one is open or the window cannot be made.
  TMainThread();
  ~TMainThread();
  TMainThread(const TMainThread&) = delete;
  TMainThread& operator=(const TMainThread&) = delete;

  // Closes the hand-over (main thread): waiting Synchronize calls return, queued work is freed unrun, and
  // later calls are refused. Call it when the message loop has ended, before anything waits for a worker.
  void Shutdown();

 private:
  bool fOpen = true;
};

bool IsMainThread();

// Waits ms milliseconds unless the main thread shuts down first (or none is open); true when the whole time has
// passed. Lets a worker's timed wait end with the application instead of keeping it.
bool WaitUnlessShutdown(uint32_t ms);

// Runs work on the main thread and returns when it has run; what it raised is raised here again. On the main
// thread it runs at once. Returns false without running it when there is no main thread or it is shutting down.
bool Synchronize(const std::function<void()>& work);

// Runs work on the main thread after the work queued before it, and returns at once; on the main thread it runs
// at once. With a target token, the work is dropped when the target is gone by the time the work would run.
// What the work raises when it runs later is logged.
void Queue(std::function<void()> work);
void Queue(std::function<void()> work, TLifeToken target);
