// Work spread over threads without changing a byte of the result: each task
// is a pure function of its index and writes only its own slots, so neither
// the number of threads nor the order in which tasks finish shows.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace ensemble {

// The threads to use for a request of `requested`: itself when positive,
// otherwise every core the system reports (at least one).
//   0 on a machine of 8 cores -> 8;   3 -> 3
int thread_count(int requested);

// Runs task(0) ... task(tasks - 1), each exactly once, on `threads` threads
// (the calling one among them), handing out indices in increasing order as
// threads come free. Returns when every task has returned. An exception out
// of a task ends the program: tasks report failures in their own slots.
void for_each_task(std::int64_t tasks, int threads, const std::function<void(std::int64_t)>& task);

}  // namespace ensemble
