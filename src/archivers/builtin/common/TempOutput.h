#pragma once
// A file written under a temporary name beside its final place and renamed
// there only when it is complete, so a failed or cancelled command never
// leaves a half-written archive, piece or joined file under the real name.

#include <filesystem>
#include <string>
#include <system_error>

namespace ks {

class TempOutput {
 public:
  // Picks a name free in the target's folder: "<name>.~kspart", then
  // "<name>.~kspart2" and so on. Creates nothing yet.
  explicit TempOutput(std::filesystem::path target);
  // Removes the temporary file unless it was committed.
  ~TempOutput();
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;

  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temp() const { return temp_; }

  // Renames the temporary file to the target. An existing target is
  // replaced only with `replaceExisting`; otherwise the result is
  // std::errc::file_exists and the temporary file stays for Discard.
  std::error_code Commit(bool replaceExisting);
  void Discard();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  bool committed_ = false;
};

// The ArcResult for a failed write: kArcDiskSpace for a full disk,
// kArcReadOnly for a place we may not write, kArcCannotWrite otherwise.
int WriteErrorResult(const std::error_code& error);
int WriteErrorResult(int errnoValue);

}  // namespace ks
