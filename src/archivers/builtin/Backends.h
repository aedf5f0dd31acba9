#pragma once
// Factories of the built-in back-ends, one per library name, and the resolver
// that puts them behind the library set.

#include <memory>

#include "archivers/LibrarySet.h"

namespace ks {

// The built-in back-end of a library name; nullptr when we have none (the
// library is then missing).
std::shared_ptr<CommonArchiver> MakeBuiltinLibrary(LibraryId id);
std::shared_ptr<UnrarInterface> MakeBuiltinUnrar();
// Makes `libraries` resolve every name to its built-in back-end.
void InstallBuiltinLibraries(LibrarySet& libraries);

// One factory per back-end file.
std::shared_ptr<CommonArchiver> MakeUnlhaBackend();
std::shared_ptr<CommonArchiver> MakeUnZipBackend();
std::shared_ptr<CommonArchiver> MakeZipBackend();
std::shared_ptr<CommonArchiver> MakeCabBackend();
std::shared_ptr<CommonArchiver> MakeUnrar32Backend();
std::shared_ptr<CommonArchiver> MakeJackBackend();
std::shared_ptr<CommonArchiver> MakeTarBackend();
std::shared_ptr<CommonArchiver> MakeIshBackend();
std::shared_ptr<CommonArchiver> MakeUnarjBackend();
std::shared_ptr<CommonArchiver> MakeBgaBackend();
std::shared_ptr<UnrarInterface> MakeUnrarDllBackend();

}  // namespace ks
