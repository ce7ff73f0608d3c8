#!/usr/bin/env bash
# Builds the fuzzers with clang and runs them side by side for a while.
#   fuzz/run.sh [SECONDS [TARGET...]]   (default 60 s each; targets: image asc music)
# The seeds are written to build-fuzz/seeds/<target>/, each corpus grows in
# build-fuzz/corpus/<target>/ (kept between runs), findings land in
# build-fuzz/findings/ and each fuzzer's full output in build-fuzz/<target>.log.
# Inputs that once crashed a fuzzer are kept in fuzz/regressions/<target>/ and
# replayed before every run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(image asc music)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQO_FUZZ=ON -DQO_TESTS=OFF -DQO_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" \
  --target fuzz_load_stream fuzz_seeds fuzz_asc fuzz_music fuzz_music_seeds >/dev/null

mkdir -p build-fuzz/findings build-fuzz/seeds
build-fuzz/bin/fuzz_seeds build-fuzz/seeds/image >/dev/null
build-fuzz/bin/fuzz_music_seeds build-fuzz/seeds/music >/dev/null
rm -rf build-fuzz/seeds/asc && cp -r fuzz/asc_seeds build-fuzz/seeds/asc

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
binary() {
  case "$1" in
    image) echo fuzz_load_stream ;;
    asc) echo fuzz_asc ;;
    music) echo fuzz_music ;;
    *) echo "fuzz/run.sh: unknown target $1 (image, asc, music)" >&2; exit 2 ;;
  esac
}
for target in "${targets[@]}"; do binary "$target" >/dev/null; done

# Earlier findings first: each must now run through cleanly.
status=0
for target in "${targets[@]}"; do
  bin=$(binary "$target") log=build-fuzz/$target.log
  if [ -d "fuzz/regressions/$target" ] && [ -n "$(ls -A "fuzz/regressions/$target")" ]; then
    if ! "build-fuzz/bin/$bin" -rss_limit_mb=2560 fuzz/regressions/"$target"/* >"$log.replay" 2>&1; then
      tail -n 40 "$log.replay" >&2
      echo "$bin: a kept finding in fuzz/regressions/$target/ fails again" >&2
      status=1
    fi
  fi
done
[ $status -eq 0 ] || exit $status

# Then every fuzzer at once, each for SECONDS: they share the cores.
# The image loader accepts pictures of up to 16M pixels; with the
# sanitizers' overhead one input stays well below the memory limit here.
pids=()
for target in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target"
  "build-fuzz/bin/$(binary "$target")" -max_total_time="$seconds" -rss_limit_mb=2560 -timeout=10 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/findings/"$target"- \
    "build-fuzz/corpus/$target" "build-fuzz/seeds/$target" >"build-fuzz/$target.log" 2>&1 &
  pids+=($!)
done
for i in "${!targets[@]}"; do
  target=${targets[i]} log=build-fuzz/${targets[i]}.log bin=$(binary "${targets[i]}")
  if wait "${pids[i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$bin: $runs runs in $seconds s, no finding"
  else
    tail -n 60 "$log" >&2
    echo "$bin: FINDING, see build-fuzz/findings/ and $log" >&2
    status=1
  fi
done
exit $status
