#pragma once
// Qt Test counts a skipped function as passed and exits with 0, so a window
// test whose sample files (../shared/fixtures) are missing would look like a
// full pass. Such a test skips through KS_SKIP_WITHOUT_SAMPLES and ends with
// KS_QTEST_MAIN_WITH_SAMPLES: when nothing failed but samples were missing,
// the program exits with CTest's skip code, so the run lists it as skipped.

#include <QApplication>
#include <QtTest>

namespace ks::test {

inline constexpr int kCTestSkipCode = 77;

inline bool& SamplesWereMissing() {
  static bool missing = false;
  return missing;
}

}  // namespace ks::test

#define KS_SKIP_WITHOUT_SAMPLES(why)          \
  do {                                        \
    ::ks::test::SamplesWereMissing() = true;  \
    QSKIP(why);                               \
  } while (false)

#define KS_QTEST_MAIN_WITH_SAMPLES(TestObject)                                         \
  int main(int argc, char** argv) {                                                    \
    QApplication app(argc, argv);                                                      \
    app.setAttribute(Qt::AA_Use96Dpi, true);                                           \
    TestObject test;                                                                   \
    QTEST_SET_MAIN_SOURCE_PATH                                                         \
    const int failed = QTest::qExec(&test, argc, argv);                                \
    return failed == 0 && ::ks::test::SamplesWereMissing() ? ::ks::test::kCTestSkipCode \
                                                           : failed;                   \
  }
