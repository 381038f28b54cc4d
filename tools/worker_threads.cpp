#include "worker_threads.h"

#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#include <system_error>
#include <thread>
#endif

namespace qev::tool {

#ifdef _WIN32

std::size_t processor_count() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1;
}

namespace {
DWORD WINAPI run_work(LPVOID work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}
}  // namespace

void run_on_threads(std::size_t count, const std::function<void()>& work) {
  std::vector<HANDLE> threads;
  for (std::size_t t = 1; t < count; ++t) {
    HANDLE h =
        CreateThread(nullptr, 0, run_work, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (h == nullptr) break;
    threads.push_back(h);
  }
  work();
  for (HANDLE h : threads) {
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
  }
}

WorkerLock::WorkerLock() : native_(new CRITICAL_SECTION) {
  InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(native_));
}
WorkerLock::~WorkerLock() {
  DeleteCriticalSection(static_cast<CRITICAL_SECTION*>(native_));
  delete static_cast<CRITICAL_SECTION*>(native_);
}
WorkerLock::Hold::Hold(WorkerLock& lock) : lock_(lock) {
  EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock_.native_));
}
WorkerLock::Hold::~Hold() { LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock_.native_)); }

#else

std::size_t processor_count() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? n : 1;
}

void run_on_threads(std::size_t count, const std::function<void()>& work) {
  std::vector<std::thread> threads;
  for (std::size_t t = 1; t < count; ++t) {
    try {
      threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (std::thread& t : threads) t.join();
}

WorkerLock::WorkerLock() : native_(new std::mutex) {}
WorkerLock::~WorkerLock() { delete static_cast<std::mutex*>(native_); }
WorkerLock::Hold::Hold(WorkerLock& lock) : lock_(lock) {
  static_cast<std::mutex*>(lock_.native_)->lock();
}
WorkerLock::Hold::~Hold() { static_cast<std::mutex*>(lock_.native_)->unlock(); }

#endif

}  // namespace qev::tool
