#include "archivers/builtin/Backends.h"

#include <cstdlib>

namespace ks {

std::shared_ptr<CommonArchiver> MakeBuiltinLibrary(LibraryId id) {
  switch (id) {
    // Each back-end adds its line here when it exists.
    case LibraryId::Unlha:
      return MakeUnlhaBackend();
    case LibraryId::UnZip:
      return MakeUnZipBackend();
    case LibraryId::UnRar32:
      return MakeUnrar32Backend();
    case LibraryId::Tar:
      return MakeTarBackend();
    case LibraryId::Zip:
      return MakeZipBackend();
    case LibraryId::Jack:
      return MakeJackBackend();
    case LibraryId::Cab:
      return MakeCabBackend();
    case LibraryId::Ish:
      return MakeIshBackend();
    case LibraryId::Unarj:
      return MakeUnarjBackend();
    case LibraryId::Bga:
      return MakeBgaBackend();
    default:
      // UnGCA32.DLL and Yz1.DLL have no built-in back-end: they stay
      // missing.
      return nullptr;
  }
}

std::shared_ptr<UnrarInterface> MakeBuiltinUnrar() { return MakeUnrarDllBackend(); }

void InstallBuiltinLibraries(LibrarySet& libraries) {
  // Archives store local times. Without TZ, the C library looks at
  // /etc/localtime again on every conversion, one system call per entry
  // (and libarchive converts twice per ZIP entry); naming the same file
  // once keeps the same zone for the run.
  ::setenv("TZ", ":/etc/localtime", 0);
  libraries.SetResolvers([](LibraryId id) { return MakeBuiltinLibrary(id); },
                         [] { return MakeBuiltinUnrar(); });
}

}  // namespace ks
