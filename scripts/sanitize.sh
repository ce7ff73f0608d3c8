#!/usr/bin/env bash
# The sanitizer build: the program and its tests built with gcc's
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, then run
# there. Besides the unit tests that includes tests/reliability: the whole show
# in depths 32 and 16, leaving at frames from the loading screen to the end,
# and the broken-data matrix, each a child process that must end without a
# sanitizer report.
#
# Left out, because they replay long stretches of the show whose code the
# whole-show runs above already cover, and check what the plain build checks
# (frame hashes, determinism, flashes, where scenes start and end, what a
# recording leaves): the golden frames, the --start tests, the two-run
# comparison, each scene played to its end, and the black-box recording paths
# (the recorder itself stays covered: a recording left by Escape and the
# lossless video capture run here). The data generator and the install layout
# are not built here at all (see CMakeLists.txt).
#
# -O1: the optimisation the sanitizers are meant for, and about a third less
# compile time than -O2 here.
#   scripts/sanitize.sh [ctest arguments]   e.g. scripts/sanitize.sh -R reliability
# Needs the generated data tree (./setup.sh build makes it).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DQO_SANITIZE=ON -DQO_BENCH=OFF >/dev/null
if ! cmake --build build-asan -j"$(nproc)" >build-asan/build.log 2>&1; then
  tail -n 40 build-asan/build.log >&2
  exit 1
fi
# Stop at the first finding with a code no test expects from the program.
# Leaks are checked in the program's own runs (the child processes of
# tests/reliability turn detect_leaks on): the unit tests build scenes and
# buffers that the program keeps for its whole life and so never frees.
export ASAN_OPTIONS=halt_on_error=1:exitcode=86:detect_leaks=0:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:exitcode=86:print_stacktrace=1
replays='^(Depths/Golden\.|Start\.|Record\.TwoRuns|SceneRun\.|Paths\.)'
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" --timeout 1200 -E "$replays" "$@"
