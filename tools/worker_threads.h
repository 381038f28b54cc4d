// Threads for the tool's batch work. MinGW's win32 thread model has neither
// std::thread nor std::mutex, so Windows builds use the system's threads and
// critical sections; everything else the standard library's.
#pragma once

#include <cstddef>
#include <functional>

namespace qev::tool {

// How many threads the machine runs at once (at least 1).
std::size_t processor_count();

// Runs work on count threads, this one among them, and returns when every
// one has finished. Threads the system refuses are left out: the work of
// each is to take items until none are left, so fewer threads still finish.
void run_on_threads(std::size_t count, const std::function<void()>& work);

// A mutual-exclusion lock, held from construction of a WorkerLock::Hold to
// its end.
class WorkerLock {
 public:
  WorkerLock();
  ~WorkerLock();
  WorkerLock(const WorkerLock&) = delete;
  WorkerLock& operator=(const WorkerLock&) = delete;

  class Hold {
   public:
    explicit Hold(WorkerLock& lock);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    WorkerLock& lock_;
  };

 private:
  void* native_;
};

}  // namespace qev::tool
