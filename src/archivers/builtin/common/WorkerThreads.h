#pragma once
// How many threads the back-ends compress on.

namespace ks {

// The name of the environment variable that forces a number of threads
// (1 runs everything in the calling thread, as on a single-core machine).
inline constexpr const char* kThreadsVariable = "KESTRINO_THREADS";

// The number in KESTRINO_THREADS when it holds a whole number from 1 to
// 256, otherwise as many as the machine has cores; never less than one.
unsigned WorkerThreads();

}  // namespace ks
