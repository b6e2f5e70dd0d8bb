#!/usr/bin/env bash
# The Windows test stage. scripts/build-windows --test runs it inside one xvfb-run, with
# WINEPREFIX (a fresh folder) and the other wine settings in the environment.
#   stage.sh BUILD_DIR [ctest arguments]
# First the persistent wineserver and the prefix's first start (later wine starts then take
# a fraction of a second instead of seconds); then ctest in BUILD_DIR, every test program
# through wine (CMAKE_CROSSCOMPILING_EMULATOR).
set -euo pipefail
build=$1
shift

wineserver -p
wine wineboot -i > /dev/null 2>&1 < /dev/null

# A failed test runs once more, and is named: under load a wine process start has been seen to
# fail before the program ran (no output at all). A failure that repeats fails the stage.
if ! ctest --test-dir "$build" --output-on-failure --timeout 600 -j "$(nproc)" "$@"; then
  echo "[windows-stage] running the failed tests once more:" >&2
  ctest --test-dir "$build" --rerun-failed --output-on-failure --timeout 600
fi
