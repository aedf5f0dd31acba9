#pragma once
// Packing a folder with a built-in back-end by the command line the
// compression run sends, for tests that need an archive of our own.

#include <fstream>

#include "archivers/builtin/Backends.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {

// Packs every name in `source` into `archive` with the built-in back-end
// `id`, by the command line the compression run sends: `head` is the LZH
// list file's first line ("a -x1 -r2 -o7") or the switches before the
// archive ("a -a -m1 -r " for Bga32, "-a" for Cab32).
inline int Pack(LibraryId id, const fs::path& source, const fs::path& archive, const std::string& head) {
  const fs::path list = archive.string() + ".list";
  {
    std::ofstream out(list);
    if (id == LibraryId::Unlha) out << head << "\r\n" << Q(archive) << "\r\n";
    for (const auto& e : fs::directory_iterator(source))
      out << "\"" << e.path().filename().string() << (e.is_directory() ? "\\*.*" : "") << "\"\r\n";
  }
  const fs::path before = fs::current_path();
  fs::current_path(source);
  auto library = MakeBuiltinLibrary(id);
  const std::string listArg = Q("@" + list.string());
  const std::string line = id == LibraryId::Unlha ? listArg : head + " " + Q(archive) + " " + listArg;
  const int r = RunCommand(*library, line).code;
  fs::current_path(before);
  fs::remove(list);
  return r;
}

}  // namespace ks::test
