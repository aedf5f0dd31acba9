#pragma once
// The start-up probe of the library versions and the availability flags.

#include <string>

#include "archivers/LibrarySet.h"

namespace ks {

extern bool HasUnlha, HasUnZip, HasZip, HasCab, HasRar, HasJack, HasTar, HasUnarj, HasUnGCA,
    HasYz1, HasIsh, HasBga;

struct ProbeResult {
  bool HasUnlha = false, HasUnZip = false, HasZip = false, HasCab = false, HasRar = false,
       HasJack = false, HasTar = false, HasUnarj = false, HasUnGCA = false, HasYz1 = false,
       HasIsh = false, HasBga = false;
  std::string supported;  // the tooltip of lblDll: "Lzh Zip(j) Cab ..."
};

// Calls the twelve version entry points in their fixed order; every error
// counts as version 0, and 1 or more means usable.
ProbeResult ProbeLibraries(LibrarySet& libraries);
// Sets the program-wide Has... flags from a probe.
void ApplyProbe(const ProbeResult& result);
// The program-wide flags of this run as a probe's result.
ProbeResult CurrentLibraryFlags();

}  // namespace ks
