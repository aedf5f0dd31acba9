// Damaged archives of every format with a data checksum must never extract
// or check as sound with wrong bytes. A bounded run is part of the suite;
// KS_MUTATIONS=N sets the mutations per sample archive (default 120) and
// KS_MUTATION_FORK=1 runs each one in a child process, counting crashes and
// hangs (bench/mutation_bench.sh runs the long version).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "MutationRun.h"
#include "Mutator.h"
#include "archivers/LibrarySet.h"
#include "archivers/builtin/Backends.h"

namespace ks::test {
namespace {

int EnvNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

// A cut that leaves whole entries of a format with no end marker made a
// smaller sound archive, not a damaged one.
bool IsSoundCut(const MutationSample& s, std::size_t piece, const std::string& bytes) {
  const std::string& original = s.files[piece].second;
  return piece == 0 && std::find(s.soundCuts.begin(), s.soundCuts.end(), bytes.size()) != s.soundCuts.end() &&
         original.compare(0, bytes.size(), bytes) == 0;
}

struct Counts {
  int mutations = 0, failed = 0, intact = 0, falseSuccess = 0, crash = 0, hang = 0;
};

class Mutation : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallBuiltinLibraries(Libraries());
    // A damaged name may repeat another: the question is answered "stop".
    host.overwriteAnswers = {OverwriteAnswer::Cancel};
    samples = MakeMutationSamples(scratch.path());
  }
  void TearDown() override { Libraries().Reset(); }

  TestHost host;
  ScratchFolder scratch;
  std::vector<MutationSample> samples;
};

TEST_F(Mutation, EverySampleIsSoundBeforeItIsDamaged) {
  ASSERT_GE(samples.size(), 15u);
  for (const MutationSample& s : samples) {
    const MutantOutcome o = RunMutant(s, 0, s.files[0].second, scratch / "m");
    EXPECT_EQ(o.extractCode, kArcOk) << s.format << " " << s.label;
    EXPECT_TRUE(o.contentsRight) << s.format << " " << s.label;
    EXPECT_NE(o.check, 0) << s.format << " " << s.label;
    EXPECT_EQ(Judge(o), Verdict::Intact);
  }
  // The judge itself: a success with other bytes, or a check that vouches
  // for an archive whose extraction fails on its data, is false.
  EXPECT_EQ(Judge({kArcOk, false, -1}), Verdict::FalseSuccess);
  EXPECT_EQ(Judge({kArcFileCrc, false, 1}), Verdict::FalseSuccess);
  EXPECT_EQ(Judge({kArcUnsafeEntry, false, 1}), Verdict::Failed);
  EXPECT_EQ(Judge({kArcFileCrc, false, 0}), Verdict::Failed);
  EXPECT_EQ(Judge({kArcFileCrc, false, 0, false}), Verdict::FalseSuccess);
  EXPECT_FALSE(ContentsMatch({"a"}, {"a", "b"}));
  EXPECT_FALSE(ContentsMatch({"a", "b", "c"}, {"a", "b"}));
  EXPECT_TRUE(ContentsMatch({"b", "a", "a"}, {"a", "b"}));
  EXPECT_TRUE(ContentsMatch({"b", "a", ""}, {"a", "b"}));
  EXPECT_TRUE(ContentsMatch({"b", "a"}, {"a", "b", ""}));
}

TEST_F(Mutation, NoDamagedArchiveExtractsOrChecksAsSoundWithWrongBytes) {
  const int perSample = EnvNumber("KS_MUTATIONS", 120);
  const bool isolate = EnvNumber("KS_MUTATION_FORK", 0) != 0;
  std::map<std::string, Counts> counts;
  std::vector<std::string> falseSuccesses;
  const fs::path keep = std::getenv("KS_MUTATION_KEEP") ? fs::path(std::getenv("KS_MUTATION_KEEP")) : fs::path();

  for (std::size_t si = 0; si < samples.size(); ++si) {
    const MutationSample& s = samples[si];
    Mutator mutator(0x5eed0000u + si * 7919u);
    for (int i = 0; i < perSample; ++i) {
      const std::size_t piece = s.files.size() == 1 ? 0 : static_cast<std::size_t>(i) % s.files.size();
      std::string what;
      const std::string bytes = mutator.Mutate(s.files[piece].second, what);
      MutantOutcome outcome;
      const auto work = [&] { return RunMutant(s, piece, bytes, scratch / "m"); };
      Verdict v = isolate ? RunIsolated(work, outcome, std::chrono::seconds(30)) : Judge(outcome = work());
      if (v == Verdict::FalseSuccess && IsSoundCut(s, piece, bytes)) v = Verdict::Intact;
      Counts& c = counts[s.format];
      ++c.mutations;
      switch (v) {
        case Verdict::Intact: ++c.intact; break;
        case Verdict::Failed: ++c.failed; break;
        case Verdict::Crash: ++c.crash; break;
        case Verdict::Hang: ++c.hang; break;
        case Verdict::FalseSuccess: {
          ++c.falseSuccess;
          const std::string line = s.format + " (" + s.label + ") " + s.files[piece].first + ": " + what +
                                   " -> extraction " + std::to_string(outcome.extractCode) +
                                   (outcome.contentsRight ? " right bytes" : " wrong bytes") +
                                   (outcome.onlyOriginalBytes ? "" : " kept") +
                                   ", check " + std::to_string(outcome.check);
          falseSuccesses.push_back(line);
          if (!keep.empty()) {
            fs::create_directories(keep);
            WriteFile(keep / (std::to_string(falseSuccesses.size()) + "-" + s.files[piece].first), bytes);
          }
          break;
        }
      }
    }
  }

  std::printf("%-6s %9s %8s %7s %14s %7s %6s\n", "format", "mutations", "failures", "intact", "false success",
              "crashes", "hangs");
  int totalFalse = 0, totalCrash = 0, totalHang = 0;
  for (const auto& [format, c] : counts) {
    std::printf("%-6s %9d %8d %7d %14d %7d %6d\n", format.c_str(), c.mutations, c.failed, c.intact,
                c.falseSuccess, c.crash, c.hang);
    totalFalse += c.falseSuccess;
    totalCrash += c.crash;
    totalHang += c.hang;
  }
  for (std::size_t i = 0; i < falseSuccesses.size() && i < 40; ++i) std::printf("  %s\n", falseSuccesses[i].c_str());
  EXPECT_EQ(totalFalse, 0);
  EXPECT_EQ(totalCrash, 0);
  EXPECT_EQ(totalHang, 0);
}

}  // namespace
}  // namespace ks::test
