// One shared counter hands out the tasks: cheap, and long tasks (the first
// rows of a triangle) spread themselves without a schedule worked out ahead.
#include "ensemble/parallel.hpp"

#include <thread>
#include <vector>

namespace ensemble {

int thread_count(int requested) {
  if (requested > 0) return requested;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

void for_each_task(std::int64_t tasks, int threads, const std::function<void(std::int64_t)>& task) {
  std::atomic<std::int64_t> next{0};
  auto work = [&] {
    for (std::int64_t k = next++; k < tasks; k = next++) task(k);
  };
  std::vector<std::jthread> helpers;
  for (int t = 1; t < threads && t < tasks; ++t) helpers.emplace_back(work);
  work();
}

}  // namespace ensemble
