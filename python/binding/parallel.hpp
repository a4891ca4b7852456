// All-against-all loops on worker threads, for rmsd_matrix. The callers
// release the GIL first; the work touches no Python object.
#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace binding {

// The threads to use: `asked` when given (>= 1), else one per core, never
// more than there are rows of work.
inline int thread_count(int asked, int rows) {
  int count = asked > 0 ? asked : static_cast<int>(std::thread::hardware_concurrency());
  return std::max(1, std::min(count, rows));
}

// Calls pair(i, j) once for every 0 <= i < j < m on `threads` threads. Rows
// are handed out one at a time, longest first, so the threads finish
// together. The first exception thrown stops the handing out and is
// rethrown here once every thread has ended.
template <class Pair>
void for_each_pair(int m, int threads, const Pair& pair) {
  std::atomic<int> next_row{0};
  std::atomic<bool> failed{false};
  std::exception_ptr first_failure;
  std::mutex failure_lock;
  auto work = [&] {
    for (int i = next_row++; i < m - 1 && !failed; i = next_row++) {
      try {
        for (int j = i + 1; j < m; ++j) pair(i, j);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failure_lock);
        if (!first_failure) first_failure = std::current_exception();
        failed = true;
      }
    }
  };
  if (threads <= 1) {
    work();
  } else {
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
  }
  if (first_failure) std::rethrow_exception(first_failure);
}

}  // namespace binding
