// Placeholder until the panel lands: builds the program's layers and says so.
#include <cstdio>

int main() {
  std::puts("Kestrino: the panel window is not built yet; the core layers are.");
  return 0;
}
