#pragma once
// Qt Test counts a skipped function as passed and exits with 0, so a window
// test that could not run for want of something (the sample files of
// ../shared/fixtures, a Debian package) would look like a full pass. Such a
// test notes what it missed and skips; KS_QTEST_MAIN_NOTING_MISSING then
// names what was missing and, when nothing failed, exits with CTest's skip
// code, so the run lists the test as skipped.

#include <QApplication>
#include <QtTest>
#include <cstdio>
#include <string>
#include <vector>

namespace ks::test {

inline constexpr int kCTestSkipCode = 77;

// What the skipped functions wanted, each named once.
inline std::vector<std::string>& MissingForTests() {
  static std::vector<std::string> missing;
  return missing;
}

inline void NoteMissing(const std::string& what) {
  auto& missing = MissingForTests();
  for (const std::string& m : missing)
    if (m == what) return;
  missing.push_back(what);
}

inline int ExitNotingMissing(int failed) {
  if (failed != 0 || MissingForTests().empty()) return failed;
  std::string names;
  for (const std::string& m : MissingForTests()) names += (names.empty() ? "" : ", ") + m;
  std::printf("SKIPPED, missing: %s\n", names.c_str());
  return kCTestSkipCode;
}

}  // namespace ks::test

#define KS_SKIP_WITHOUT_SAMPLES(why)                       \
  do {                                                     \
    ::ks::test::NoteMissing("../shared/fixtures");         \
    QSKIP(why);                                            \
  } while (false)

#define KS_QTEST_MAIN_NOTING_MISSING(TestObject)                \
  int main(int argc, char** argv) {                             \
    QApplication app(argc, argv);                               \
    app.setAttribute(Qt::AA_Use96Dpi, true);                    \
    TestObject test;                                            \
    QTEST_SET_MAIN_SOURCE_PATH                                  \
    return ::ks::test::ExitNotingMissing(QTest::qExec(&test, argc, argv)); \
  }
