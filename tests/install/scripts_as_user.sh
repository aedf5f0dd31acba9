#!/usr/bin/env bash
# The set-up scripts as a user who is not root: the package step goes
# through sudo, and only when a package is missing; as root it does not.
# The run command without a display says so at once instead of starting
# the panel where nobody can see it.
# Usage: scripts_as_user.sh SOURCE_DIR
set -euo pipefail
src=$1
shim=$(mktemp -d)
trap 'rm -rf "$shim"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Stand-ins for id, dpkg-query, sudo and apt-get that record what was asked.
cat >"$shim/id" <<'SH'
#!/bin/sh
echo "${SHIM_UID:-1000}"
SH
cat >"$shim/dpkg-query" <<'SH'
#!/bin/sh
for a in "$@"; do last=$a; done
if [ "$last" = "${SHIM_MISSING:-}" ]; then echo "unknown ok not-installed"; else echo "install ok installed"; fi
SH
cat >"$shim/sudo" <<'SH'
#!/bin/sh
echo "sudo $*" >>"$SHIM_LOG"
# Becoming another user is only recorded: the stand-in cannot change who runs.
[ "$1" = "-u" ] && exit 0
exec "$@"
SH
cat >"$shim/apt-get" <<'SH'
#!/bin/sh
echo "apt-get $*" >>"$SHIM_LOG"
SH
chmod +x "$shim"/*
export SHIM_LOG="$shim/log"
run_deps() { PATH="$shim:$PATH" bash "$src/scripts/deps.sh" "$@" >/dev/null 2>&1; }

: >"$SHIM_LOG"
SHIM_UID=1000 SHIM_MISSING= run_deps || fail "deps.sh failed with nothing missing"
[ ! -s "$SHIM_LOG" ] || fail "packages asked for although none is missing: $(cat "$SHIM_LOG")"

: >"$SHIM_LOG"
SHIM_UID=1000 SHIM_MISSING=qt6-translations-l10n run_deps || fail "deps.sh failed as a user"
grep -q '^sudo .*apt-get install .*qt6-translations-l10n' "$SHIM_LOG" || fail "no sudo apt-get install as a user: $(cat "$SHIM_LOG")"

: >"$SHIM_LOG"
SHIM_UID=0 SHIM_MISSING=qt6-translations-l10n run_deps || fail "deps.sh failed as root"
grep -q '^apt-get .*install .*qt6-translations-l10n' "$SHIM_LOG" || fail "no apt-get install as root"
! grep -q '^sudo' "$SHIM_LOG" || fail "sudo used as root"

# A user without sudo is told how to install the packages, and not that
# they are being installed.
nosudo=$(mktemp -d)
cp "$shim/id" "$shim/dpkg-query" "$nosudo/"
out=$(PATH="$nosudo" SHIM_UID=1000 SHIM_MISSING=cmake /bin/bash "$src/scripts/deps.sh" 2>&1) &&
  fail "deps.sh without sudo succeeded"
rm -rf "$nosudo"
grep -q 'apt-get install cmake' <<<"$out" || fail "deps.sh without sudo does not say what to install: $out"
! grep -q 'Installing' <<<"$out" || fail "deps.sh without sudo says it is installing: $out"

# The program's packages only; the peer tools come with --tests.
: >"$SHIM_LOG"
SHIM_UID=0 SHIM_MISSING=lhasa run_deps || fail "deps.sh failed"
[ ! -s "$SHIM_LOG" ] || fail "the program's set-up installs a test tool: $(cat "$SHIM_LOG")"
SHIM_UID=0 SHIM_MISSING=lhasa run_deps --tests || fail "deps.sh --tests failed"
grep -q 'install .*lhasa' "$SHIM_LOG" || fail "the tests' set-up does not install their tools"

# No display: a message and a failure, before any package or build step.
: >"$SHIM_LOG"
if out=$(PATH="$shim:$PATH" SHIM_UID=1000 SHIM_MISSING=cmake \
           env -u DISPLAY -u WAYLAND_DISPLAY bash "$src/scripts/run.sh" 2>&1); then
  fail "run.sh without a display succeeded"
fi
grep -q 'No display' <<<"$out" || fail "run.sh without a display says: $out"
grep -q "xvfb-run -a \"$(cd "$src" && pwd)/build/kestrino\"" <<<"$out" ||
  fail "run.sh does not name the built program under a virtual display: $out"
[ ! -s "$SHIM_LOG" ] || fail "run.sh without a display still installed packages"

# Started with sudo: packages as root, then the build and the program as the
# user who asked, with their display.
: >"$SHIM_LOG"
PATH="$shim:$PATH" SHIM_UID=0 SHIM_MISSING= SUDO_USER=alice DISPLAY=:9 \
  bash "$src/scripts/run.sh" >/dev/null 2>&1 || fail "run.sh under sudo failed"
grep -q '^sudo -u alice -H env DISPLAY=:9 .*run.sh' "$SHIM_LOG" ||
  fail "run.sh under sudo does not go on as the user: $(cat "$SHIM_LOG")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "set-up scripts: sudo only as a user and only when needed; no display said at once"
