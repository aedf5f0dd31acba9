#include "archivers/builtin/common/WorkerThreads.h"

#include <cstdlib>
#include <string>
#include <thread>

namespace ks {

namespace {
constexpr unsigned long kMostThreads = 256;
}

unsigned WorkerThreads() {
  if (const char* forced = std::getenv(kThreadsVariable); forced && *forced) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(forced, &end, 10);
    if (*end == '\0' && n >= 1 && n <= kMostThreads) return static_cast<unsigned>(n);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

}  // namespace ks
