#!/usr/bin/env bash
# quiet orbit: install what is missing, build, then play the show or run the tests.
#
#   ./setup.sh play [show options]   set up and play the show (e.g. ./setup.sh play -windowed)
#   ./setup.sh test                  set up and run every test (QO_WEB_TESTS=0: without the browser ones)
#   ./setup.sh build                 set up and build only
#   ./setup.sh package               set up and make the Debian package ./quietorbit_VERSION_amd64.deb
#   ./setup.sh web                   build the WebAssembly page into build-web/bin
#   ./setup.sh web-serve             serve it on http://127.0.0.1:8000/
#   ./setup.sh web-test              build it and run the browser tests (headless chromium)
#
# Debian packages are installed through apt-get only when dpkg says they are
# missing, so a second run goes straight to the (incremental) build.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-play}
[ $# -gt 0 ] && shift

# The font packages carry the exact files mkdata draws with (tools/mkdata/text.cpp)
# and the faces the show's text finds through fontconfig.
build_packages=(
  build-essential cmake pkg-config
  libsdl2-dev libjpeg-dev libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core fonts-dejavu-extra
  libmpg123-dev libopenmpt-dev libmp3lame-dev
  libgtest-dev libbenchmark-dev libpixman-1-dev
)
# Only the tests need these: a virtual X server for window tests, ffmpeg for
# video recording, clang with its runtime for the fuzzers, GNU time for the
# peak memory of a run, the checkers of the desktop entry, manual page and package.
test_packages=(xvfb x11-apps ffmpeg clang libclang-rt-14-dev time
  desktop-file-utils lintian man-db file)
# The package's library dependencies are read from the binary with file(1).
package_packages=(file)
# The web page: emscripten compiles it (its libraries from Debian's sources,
# scripts/web-deps.sh), chromium runs the browser tests, node drives chromium
# (through its DevTools pipe: no package from npm).
web_packages=(emscripten python3)
web_test_packages=(chromium)
# Emscripten's JavaScript tools need Debian's acorn, also under another node.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

install_missing() { scripts/install-missing.sh "$@"; }

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(nproc)"
  # The generator skips its work when data/ is already up to date.
  if [ -x build/bin/mkdata ]; then build/bin/mkdata data; fi
}

# Debian's nodejs only where no node is installed at all (a machine may have
# another distribution of it).
install_node() {
  command -v node >/dev/null && return 0
  install_missing nodejs
}

# The WebAssembly libraries (built once, kept in ~/.cache/quietorbit), then the page.
web_libraries() {
  install_missing "${web_packages[@]}"
  install_node
  scripts/web-deps.sh >/dev/null
}
web_page() {
  local web_prefix
  web_prefix=$(scripts/web-deps.sh)  # at once when they are built
  # The native program draws the page's poster frame.
  emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DQO_WASM_PREFIX="$web_prefix" \
    -DQO_NATIVE_PROGRAM="$PWD/build/bin/quietorbit" >/dev/null
  cmake --build build-web -j"$(nproc)"
}
build_web() {
  build
  web_libraries
  web_page
}

browser_tests() {
  install_missing "${web_test_packages[@]}"
  cmake --build build-web -j"$(nproc)" --target qo_web_kernel_tests
  node build-web/web/qo_web_kernel_tests.js --gtest_brief=1
  node tests/web/run.mjs --site=build-web/bin --native=build/bin/quietorbit --data=data
}

# The wall time of each stage of a run, printed when it ends, however it ends,
# and the processor time its commands took (on a busy machine the wall time
# says little; the processor time over the cores is what an idle one needs).
stage_lines=() stage_now='' run_start=$SECONDS
minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }
cpu_now() {  # sets cpu: user + system seconds of every child this shell has waited for
  local f u s
  f=$(mktemp)
  times >"$f"  # in this shell: in a subshell it would see only the subshell's children
  { read -r _; read -r u s; } <"$f"
  rm -f "$f"
  cpu=$(awk -v u="$u" -v s="$s" 'function sec(t, p) { split(t, p, "m"); return p[1] * 60 + p[2] }
    BEGIN { printf "%d", sec(u) + sec(s) }')
}
stage() {  # stage NAME COMMAND...
  local t0=$SECONDS cpu c0
  cpu_now
  c0=$cpu
  stage_now=$1
  echo "setup: -- $1" >&2
  "${@:2}"
  cpu_now
  stage_lines+=("$(printf '  %-20s %s  (processor %s)' "$1" "$(minutes $((SECONDS - t0)))" "$(minutes $((cpu - c0)))")")
  stage_now=''
}
# A stage that runs beside the next ones: its output is kept until `await`.
# It is started from a subshell that ends at once, so it is not this shell's
# child: its processor time stays out of the stages it runs beside and is
# counted, by itself, for it alone.
declare -A side_dir side_start
beside() {  # beside NAME COMMAND...
  local dir
  dir=$(mktemp -d)
  side_dir[$1]=$dir side_start[$1]=$SECONDS
  echo "setup: -- $1 (beside the next stages)" >&2
  ( (
    set +e
    ( set -e; "${@:2}" ) >"$dir/log" 2>&1
    echo $? >"$dir/status.part"
    times >"$dir/times"
    mv "$dir/status.part" "$dir/status"
  ) & )
}
await() {  # await NAME: waits for a stage started with `beside`, and fails as it did
  local dir=${side_dir[$1]} status cpu
  until [ -f "$dir/status" ]; do sleep 1; done
  status=$(<"$dir/status")
  cat "$dir/log" >&2
  cpu=$(awk 'function sec(t, p) { split(t, p, "m"); return p[1] * 60 + p[2] }
    { c += sec($1) + sec($2) } END { printf "%d", c }' "$dir/times")
  rm -rf "$dir"
  unset "side_dir[$1]"
  if [ "$status" -ne 0 ]; then
    stage_now=$1
    return "$status"
  fi
  stage_lines+=("$(printf '  %-20s %s  (processor %s, beside the stages above)' "$1" \
    "$(minutes $((SECONDS - side_start[$1])))" "$(minutes "$cpu")")")
}
stage_report() {
  local status=$?
  {
    echo "setup: stage times"
    [ ${#stage_lines[@]} -gt 0 ] && printf '%s\n' "${stage_lines[@]}"
    [ -n "$stage_now" ] && echo "  $stage_now: FAILED (exit code $status)"
    local name
    for name in "${!side_dir[@]}"; do echo "  $name: still running (its output: ${side_dir[$name]}/log)"; done
    local cpu
    cpu_now
    printf '  %-20s %s  (processor %s)\n' total "$(minutes $((SECONDS - run_start)))" "$(minutes "$cpu")"
  } >&2
}

case "$mode" in
  play)
    install_missing "${build_packages[@]}"
    build
    exec build/bin/quietorbit "$@"
    ;;
  test)
    trap stage_report EXIT
    web_tests=${QO_WEB_TESTS:-1}
    # The build's packages first; the rest of every later stage's install
    # (downloads, mostly) while the build keeps the processors busy.
    later=("${test_packages[@]}")
    if [ "$web_tests" != 0 ]; then
      later+=("${web_packages[@]}" "${web_test_packages[@]}")
      command -v node >/dev/null || later+=(nodejs)
    fi
    stage packages install_missing "${build_packages[@]}"
    beside "more packages" install_missing "${later[@]}"
    stage build build
    await "more packages"
    stage tests ctest --test-dir build --output-on-failure -j"$(nproc)"
    # The web libraries build beside the fuzzers, which run for a set time
    # however busy the processors are, and the sanitizers.
    [ "$web_tests" != 0 ] && beside "web libraries" web_libraries
    # Every fuzzer for a bounded time (fuzz/run.sh SECONDS to run longer).
    stage fuzzers fuzz/run.sh "${QO_FUZZ_SECONDS:-45}"
    # The program and its tests again under the sanitizers, with the whole
    # show, leaving at any frame and the broken-data matrix as child processes.
    stage sanitizers scripts/sanitize.sh
    # The web page in headless chromium: same frames as natively, page behaviour.
    if [ "$web_tests" != 0 ]; then
      await "web libraries"
      stage "web page" web_page
      stage "browser tests" browser_tests
    fi
    ;;
  web-test)
    # The web build in a real browser: same frames as natively, page behaviour.
    install_missing "${build_packages[@]}"
    build_web
    browser_tests
    ;;
  web)
    install_missing "${build_packages[@]}"
    build_web
    echo "setup: the page is in build-web/bin (index.html, quietorbit.js/.wasm/.data: copy them to"
    echo "any static web host); ./setup.sh web-serve serves it on http://127.0.0.1:8000/"
    ;;
  web-serve)
    [ -f build-web/bin/quietorbit.wasm ] || { echo "setup: no web build yet: ./setup.sh web" >&2; exit 1; }
    echo "setup: open http://127.0.0.1:8000/ (Ctrl+C stops the server)"
    exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/bin
    ;;
  build)
    install_missing "${build_packages[@]}"
    build
    ;;
  package)
    install_missing "${build_packages[@]}" "${package_packages[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    # Packaging builds what it installs: the program, its data tree, the pages.
    CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) cpack -G DEB --config build/CPackConfig.cmake -B build/package
    mv build/package/quietorbit_*.deb .
    ls quietorbit_*.deb
    ;;
  *)
    echo "usage: $0 play [options] | test | build | package | web | web-serve | web-test" >&2
    exit 2
    ;;
esac
