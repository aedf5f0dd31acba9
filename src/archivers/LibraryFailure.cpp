#include "archivers/LibraryFailure.h"

#include <new>

#include "archivers/ArchiverInterface.h"
#include "platform/RecordingPlatform.h"

namespace ks {

std::string DescribeLibraryFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const LibraryError& e) {
    return e.library() + "の" + e.entryPoint() + "を呼べません";
  } catch (const std::bad_alloc&) {
    return "メモリが足りません";
  } catch (const std::exception& e) {
    return std::string("内部エラー（") + e.what() + "）";
  } catch (...) {
    return "内部エラー";
  }
}

std::optional<std::string> TryLibraryWork(const std::function<void()>& work) {
  try {
    work();
    return std::nullopt;
  } catch (const ProgramEnded&) {
    throw;
  } catch (...) {
    return DescribeLibraryFailure(std::current_exception());
  }
}

}  // namespace ks
