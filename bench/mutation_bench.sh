#!/bin/sh
# The long mutation run: damages the small sample archives of every format
# with a data checksum (ZIP, gzip, bzip2, xz, LZH, CAB, RAR, Jack) many
# times, each run in a child process so that crashes and hangs are counted,
# and prints per format: mutations, failures reported, intact (damage that
# left the archive's meaning and bytes whole), false successes (target 0),
# crashes and hangs. The suite runs the same test with 120 mutations per
# sample archive in-process.
#
# usage: bench/mutation_bench.sh BUILD_DIR [MUTATIONS_PER_SAMPLE] [KEEP_DIR]
# KEEP_DIR receives every archive that passed as sound with wrong bytes.
set -eu
build=${1:?usage: mutation_bench.sh BUILD_DIR [MUTATIONS_PER_SAMPLE] [KEEP_DIR]}
tests=$(cd "$build" && pwd)/tests/builtin_tests
[ -x "$tests" ] || { echo "build builtin_tests first: $tests" >&2; exit 2; }
KS_MUTATIONS=${2:-6000} KS_MUTATION_FORK=1 KS_MUTATION_KEEP=${3:-} \
  "$tests" --gtest_filter='Mutation.NoDamagedArchiveExtractsOrChecksAsSoundWithWrongBytes'
