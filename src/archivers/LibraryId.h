#pragma once
// The names of the archiver libraries and of their entry points, and how a
// caller reads their results. Each library's facts are in its descriptor
// (LibraryDescriptor.h).

#include <cstddef>

namespace ks {

// The twelve libraries of the common archiver interface.
enum class LibraryId {
  Unlha,    // Unlha32.DLL
  UnZip,    // UnZip32.DLL
  Zip,      // Zip32j.DLL
  Cab,      // Cab32.DLL
  UnRar32,  // UnRar32.DLL (only its command `Unrar`)
  Jack,     // Jack32.DLL
  Tar,      // Tar32.DLL
  Unarj,    // UnArj32j.DLL
  Ish,      // Ish32.DLL
  UnGCA,    // UnGCA32.DLL
  Yz1,      // Yz1.DLL
  Bga,      // Bga32.DLL
};
constexpr std::size_t kCommonLibraryCount = 12;

enum EntryPoint : unsigned {
  kEpCommand = 1u << 0,
  kEpGetVersion = 1u << 1,
  kEpGetRunning = 1u << 2,
  kEpCheckArchive = 1u << 3,
  kEpConfigDialog = 1u << 4,
  kEpFileList = 1u << 5,
};

// Width at which a result is read: some callers look only at the low 16 bits.
enum class ResultWidth { Bits16, Bits32 };

}  // namespace ks
