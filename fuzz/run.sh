#!/usr/bin/env bash
# Builds the image-loader fuzzer with clang and runs it for a while.
#   fuzz/run.sh [SECONDS]   (default 60)
# The seeds are written to build-fuzz/seeds/, the corpus grows in
# build-fuzz/corpus/ (kept between runs), findings land in build-fuzz/findings/
# and the fuzzer's full output in build-fuzz/fuzz.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQO_FUZZ=ON -DQO_TESTS=OFF -DQO_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_load_stream fuzz_seeds fuzz_asc >/dev/null
build-fuzz/bin/fuzz_seeds build-fuzz/seeds
mkdir -p build-fuzz/corpus build-fuzz/findings
# The loader accepts pictures of up to 16M pixels; with the sanitizers'
# overhead one input stays well below the memory limit given here.
if SDL_VIDEODRIVER=dummy build-fuzz/bin/fuzz_load_stream -max_total_time="$seconds" -rss_limit_mb=2560 \
  -timeout=10 -print_final_stats=1 -artifact_prefix=build-fuzz/findings/ \
  build-fuzz/corpus build-fuzz/seeds >build-fuzz/fuzz.log 2>&1; then
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/fuzz.log)
  echo "fuzz_load_stream: $runs runs in $seconds s, no finding"
else
  tail -n 60 build-fuzz/fuzz.log >&2
  echo "fuzz_load_stream: FINDING, see build-fuzz/findings/ and build-fuzz/fuzz.log" >&2
  exit 1
fi

# The mesh loader, from the small meshes in fuzz/asc_seeds/.
mkdir -p build-fuzz/asc_corpus
if SDL_VIDEODRIVER=dummy build-fuzz/bin/fuzz_asc -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/findings/ build-fuzz/asc_corpus fuzz/asc_seeds >build-fuzz/fuzz_asc.log 2>&1; then
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/fuzz_asc.log)
  echo "fuzz_asc: $runs runs in $seconds s, no finding"
else
  tail -n 60 build-fuzz/fuzz_asc.log >&2
  echo "fuzz_asc: FINDING, see build-fuzz/findings/ and build-fuzz/fuzz_asc.log" >&2
  exit 1
fi
