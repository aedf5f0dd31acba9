// The little of the C and C++ runtime the stubs use, over kernel32: a stub
// links no runtime library, so that it is small and needs nothing but
// Windows' own DLLs. Memory comes from the process heap; a failed
// allocation ends the program, as there is no exception to throw.

#include <windows.h>

#include <cstddef>
#include <new>

namespace {

[[noreturn]] void OutOfMemory() {
  MessageBoxW(nullptr, L"メモリが足りません。", L"自己展開書庫", MB_OK | MB_ICONERROR);
  ExitProcess(8);
}

void* Allocate(std::size_t size) {
  void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
  if (!p) OutOfMemory();
  return p;
}

void Free(void* p) {
  if (p) HeapFree(GetProcessHeap(), 0, p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }

// The hooks std::vector calls where it would throw.
namespace std {
[[noreturn]] void __throw_length_error(const char*) { OutOfMemory(); }
[[noreturn]] void __throw_bad_alloc() { OutOfMemory(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfMemory(); }
}  // namespace std

// The compiler turns copies and fills into these calls; written as plain
// loops that it must not turn back into calls of themselves.
extern "C" {

__attribute__((optimize("no-tree-loop-distribute-patterns"))) void* memcpy(void* to, const void* from,
                                                                           std::size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
  while (n--) *d++ = *s++;
  return to;
}

__attribute__((optimize("no-tree-loop-distribute-patterns"))) void* memmove(void* to, const void* from,
                                                                            std::size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  const auto* s = static_cast<const unsigned char*>(from);
  if (d < s) {
    while (n--) *d++ = *s++;
  } else {
    while (n--) d[n] = s[n];
  }
  return to;
}

__attribute__((optimize("no-tree-loop-distribute-patterns"))) void* memset(void* to, int value, std::size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  while (n--) *d++ = static_cast<unsigned char>(value);
  return to;
}

int memcmp(const void* a, const void* b, std::size_t n) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (; n > 0; --n, ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

// A pure virtual function called during construction: a bug, never data.
void __cxa_pure_virtual() { ExitProcess(9); }

}  // extern "C"
