#include <gtest/gtest.h>

#include "archivers/Probe.h"
#include "support/FakeLibrary.h"

namespace ks {
namespace {

using test::FakeLibrarySet;

TEST(Probe, EveryLibraryPresent) {
  FakeLibrarySet fakes;
  const ProbeResult r = ProbeLibraries(Libraries());
  EXPECT_EQ(r.supported, "Lzh Zip(j) Cab Rar Jack Tar Arj Gca Yz1 Ish Bga");
  EXPECT_TRUE(r.HasUnlha && r.HasUnZip && r.HasZip && r.HasCab && r.HasRar && r.HasJack &&
              r.HasTar && r.HasUnarj && r.HasUnGCA && r.HasYz1 && r.HasIsh && r.HasBga);
}

TEST(Probe, CallsTheTwelveVersionEntryPointsInOrder) {
  FakeLibrarySet fakes;
  ProbeLibraries(Libraries());
  const std::vector<std::string> expected = {
      "UnlhaGetVersion", "UnZipGetVersion", "ZipGetVersion",   "CabGetVersion",
      "RARGetDllVersion", "JackGetVersion", "TarGetVersion",   "UnarjGetVersion",
      "UnGCAGetVersion", "Yz1GetVersion",   "IshGetVersion",   "BgaGetVersion"};
  EXPECT_EQ(fakes.CallNames(), expected);
}

TEST(Probe, NothingPresent) {
  FakeLibrarySet fakes;
  fakes.AllMissing();
  const ProbeResult r = ProbeLibraries(Libraries());
  EXPECT_EQ(r.supported, "");
  EXPECT_FALSE(r.HasUnlha || r.HasUnZip || r.HasZip || r.HasCab || r.HasRar || r.HasJack ||
               r.HasTar || r.HasUnarj || r.HasUnGCA || r.HasYz1 || r.HasIsh || r.HasBga);
}

TEST(Probe, ZipTokensDependOnBothZipLibraries) {
  FakeLibrarySet fakes;
  fakes.AllMissing();
  Libraries().Replace(LibraryId::UnZip,
                      std::make_shared<test::FakeLibrary>(LibraryId::UnZip, fakes.log));
  ProbeResult r = ProbeLibraries(Libraries());
  EXPECT_EQ(r.supported, " Zip");
  EXPECT_TRUE(r.HasUnZip);
  EXPECT_FALSE(r.HasZip);

  fakes.Missing(LibraryId::UnZip);
  Libraries().Replace(LibraryId::Zip,
                      std::make_shared<test::FakeLibrary>(LibraryId::Zip, fakes.log));
  r = ProbeLibraries(Libraries());
  EXPECT_EQ(r.supported, "");
  EXPECT_FALSE(r.HasUnZip);
  EXPECT_FALSE(r.HasZip);
}

TEST(Probe, AVersionBelowOneOrAFailingCallIsNotUsable) {
  FakeLibrarySet fakes;
  fakes[LibraryId::Unlha].SetDefault("GetVersion", 0);
  fakes[LibraryId::Cab].SetDefault("GetVersion", -1);
  fakes[LibraryId::Tar].Lack("GetVersion");
  fakes[LibraryId::Bga].SetHook("GetVersion",
                                [](const test::LibraryCall&) -> int { throw std::runtime_error("x"); });
  fakes[LibraryId::Ish].SetDefault("GetVersion", 1);  // 0.01 is a version
  fakes.unrar().version = 0;
  const ProbeResult r = ProbeLibraries(Libraries());
  EXPECT_EQ(r.supported, " Zip(j) Jack Arj Gca Yz1 Ish");
  EXPECT_FALSE(r.HasUnlha);
  EXPECT_FALSE(r.HasCab);
  EXPECT_FALSE(r.HasTar);
  EXPECT_FALSE(r.HasBga);
  EXPECT_FALSE(r.HasRar);
  EXPECT_TRUE(r.HasIsh);
  EXPECT_EQ(fakes.CallNames().size(), 12u);  // a failure does not stop the probe
}

TEST(Probe, ApplySetsTheProgramWideFlags) {
  FakeLibrarySet fakes;
  fakes.Missing(LibraryId::Jack);
  fakes.MissingUnrar();
  ApplyProbe(ProbeLibraries(Libraries()));
  EXPECT_TRUE(HasUnlha && HasUnZip && HasZip && HasCab && HasTar && HasUnarj && HasUnGCA &&
              HasYz1 && HasIsh && HasBga);
  EXPECT_FALSE(HasJack);
  EXPECT_FALSE(HasRar);
  ApplyProbe(ProbeResult{});
  EXPECT_FALSE(HasUnlha || HasZip || HasBga);
}

}  // namespace
}  // namespace ks
