// Placeholder until the back-ends land.
#include <cstdio>

int main() {
  std::puts("kestrino-archiver: no back-ends built yet");
  return 1;
}
