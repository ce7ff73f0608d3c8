#!/usr/bin/env bash
# Builds the libraries the web version links (SDL2, zlib, libpng, libjpeg-turbo,
# FreeType, mpg123, libopenmpt) as static WebAssembly libraries, from Debian's own
# source packages at the versions the native build uses.
#
#   scripts/web-deps.sh          build what is missing, print the prefix
#   scripts/web-deps.sh --key    print the prefix only
#
# The result goes to ~/.cache/quietorbit/wasm/<key>/{include,lib}; the key depends
# only on the source versions, the emscripten version and RECIPE below, so the
# folder can be shared between checkouts and with a fresh-root CI run. Sources
# are fetched through a private apt configuration: the system's apt settings
# stay untouched.
set -euo pipefail

# Bump RECIPE when the build recipes below change what they produce; bump a
# library's own revision when only its recipe changed (only it is rebuilt).
RECIPE=1
declare -A revision=([freetype]=2)
rev() { echo "${revision[$1]:-1}"; }
# A library is built when its marker holds its revision (an empty one is 1).
built() { [ -e "$prefix/.done-$1" ] && [ "$(cat "$prefix/.done-$1")" = "$(rev "$1" | sed 's/^1$//')" ]; }

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
cache_root=${QO_WASM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quietorbit/wasm}

# source package : the -dev package whose installed version we match
pairs=(
  "zlib:zlib1g-dev"
  "libpng1.6:libpng-dev"
  "libjpeg-turbo:libjpeg62-turbo-dev"
  "freetype:libfreetype-dev"
  "libsdl2:libsdl2-dev"
  "mpg123:libmpg123-dev"
  "libopenmpt:libopenmpt-dev"
)

declare -A version
for p in "${pairs[@]}"; do
  src=${p%%:*} dev=${p#*:}
  v=$(dpkg-query -W -f='${source:Version}' "$dev" 2>/dev/null || true)
  [ -n "$v" ] || { echo "web-deps: $dev is not installed (./setup.sh build installs it)" >&2; exit 1; }
  version[$src]=$v
done
emver=$(emcc --version | head -1 | sed 's/.* \([0-9][0-9.]*\) .*/\1/')

key=$( { echo "recipe $RECIPE"; echo "emscripten $emver";
         for p in "${pairs[@]}"; do echo "${p%%:*} ${version[${p%%:*}]}"; done; } |
       sha256sum | cut -c1-16)
prefix=$cache_root/$key

if [ "${1:-}" = --key ]; then echo "$prefix"; exit 0; fi

all_done=1
for p in "${pairs[@]}"; do built "${p%%:*}" || all_done=0; done
if [ $all_done = 1 ]; then echo "$prefix"; exit 0; fi

mkdir -p "$prefix/include" "$prefix/lib"
work=$(mktemp -d "${TMPDIR:-/tmp}/qo-wasm.XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
log() { echo "web-deps: $*" >&2; }

# A deb-src entry for every enabled deb entry of the machine, one-line format.
apt_sources() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "")
          for (i = split(uris, u, " "); i > 0; i--)
            for (j = split(suites, s, " "); j > 0; j--)
              printf "deb-src %s%s %s %s\n", (signed != "" ? "[signed-by=" signed "] " : ""), u[i], s[j], comps
        types = uris = suites = comps = signed = enabled = ""
      }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
        if (key == "types") types = $0; else if (key == "uris") uris = $0
        else if (key == "suites") suites = $0; else if (key == "components") comps = $0
        else if (key == "signed-by") signed = $0; else if (key == "enabled") enabled = tolower($0) }
      END { flush() }' "$f"
  done
}

fetch_sources() {
  local apt=$work/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
  # Only Debian archives carry the source packages we want; third-party
  # entries would just fail to update.
  apt_sources | grep -E '/debian(-security)?/? ' > "$apt/sources.debian" || true
  [ -s "$apt/sources.debian" ] || { log "no Debian entry in the apt sources"; exit 1; }
  aptopts=(-o Dir::Etc::SourceList="$apt/sources.debian" -o Dir::Etc::SourceParts="$apt/parts"
           -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
           -o APT::Sandbox::User=root)
  log "reading the source indexes"
  apt-get "${aptopts[@]}" update -qq >&2
}

# Source versions to try: the installed one first, then (when the archive that
# served a security update does not serve its source) the other revisions of
# the same upstream version, newest first.
candidates() {
  local src=$1 want=${version[$1]}
  echo "$want"
  apt-cache "${aptopts[@]}" showsrc "$src" | sed -n 's/^Version: //p' |
    grep -F "${want%-*}-" | grep -vxF "$want" | sort -uVr
}

# Downloads and unpacks one source package with its Debian patches applied; a
# missing upstream signature file (mpg123) is not fatal, so check the tarballs.
unpack() {
  local src=$1 dir=$work/src/$1 ver orig='' debian=''
  for ver in $(candidates "$src"); do
    rm -rf "$dir"; mkdir -p "$dir"
    (cd "$dir" && apt-get "${aptopts[@]}" source --download-only -qq "$src=$ver" >&2 2>/dev/null) || true
    orig=$(ls "$dir"/*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -1 || true)
    debian=$(ls "$dir"/*.debian.tar.* 2>/dev/null | head -1 || true)
    [ -n "$orig" ] && [ -n "$debian" ] && break
  done
  [ -n "$orig" ] && [ -n "$debian" ] || { log "$src: source download failed"; exit 1; }
  [ "$ver" = "${version[$src]}" ] || log "$src: source of ${version[$src]} not served, using $ver"
  echo "$src $ver" >> "$work/fetched"
  mkdir -p "$dir/tree"
  tar -xf "$orig" -C "$dir/tree" --strip-components=1
  tar -xf "$debian" -C "$dir/tree"
  if [ -f "$dir/tree/debian/patches/series" ]; then
    local p
    while read -r p _; do
      case "$p" in ''|'#'*) continue ;; esac
      patch -d "$dir/tree" -p1 -s -N < "$dir/tree/debian/patches/$p" >&2
    done < "$dir/tree/debian/patches/series"
  fi
  echo "$dir/tree"
}

cmake_build() {
  local tree=$1; shift
  emcmake cmake -S "$tree" -B "$tree/build-wasm" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" >&2
  cmake --build "$tree/build-wasm" -j"$jobs" >&2
  cmake --install "$tree/build-wasm" >&2
}

configure_build() {
  local tree=$1; shift
  (cd "$tree" &&
   CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" CFLAGS="-O2" CXXFLAGS="-O2" \
     emconfigure ./configure --host=i686-pc-linux-gnu --prefix="$prefix" \
       --disable-shared --enable-static "$@" >&2 &&
   emmake make -j"$jobs" >&2 && emmake make install >&2)
}

build_one() {
  local src=$1 tree
  tree=$(unpack "$src")
  log "building $src ${version[$src]}"
  case "$src" in
    zlib)
      (cd "$tree" && CFLAGS=-O2 emconfigure ./configure --static --prefix="$prefix" >&2 &&
       emmake make -j"$jobs" libz.a >&2 && emmake make install >&2) ;;
    libpng1.6)
      configure_build "$tree" --disable-hardware-optimizations --without-binconfigs ;;
    libjpeg-turbo)
      # CMake cannot read type sizes out of a WebAssembly test program: say it.
      cmake_build "$tree" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
        -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DCMAKE_INSTALL_LIBDIR="$prefix/lib" \
        -DHAVE_SIZE_T=1 -DSIZE_T=4 ;;
    freetype)
      # With the zlib above, as Debian's: FreeType's own copy of it would
      # clash with that one in the link.
      cmake_build "$tree" -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_HARFBUZZ=ON \
        -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_BROTLI=ON \
        -DFT_REQUIRE_ZLIB=ON -DZLIB_ROOT="$prefix" -DCMAKE_INSTALL_LIBDIR=lib ;;
    libsdl2)
      cmake_build "$tree" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DCMAKE_INSTALL_LIBDIR=lib ;;
    mpg123)
      configure_build "$tree" --with-cpu=generic_fpu --disable-modules --with-audio=dummy \
        --with-default-audio=dummy --disable-components --enable-libmpg123 ;;
    libopenmpt)
      configure_build "$tree" --disable-openmpt123 --disable-examples --disable-tests \
        --disable-doxygen-doc --without-mpg123 --without-ogg --without-vorbis \
        --without-vorbisfile --without-portaudio --without-portaudiocpp \
        --without-pulseaudio --without-sndfile --without-flac --without-zlib ;;
  esac
  rm -rf "$work/src/$src"
  rev "$src" | sed 's/^1$//' > "$prefix/.done-$src"
}

fetch_sources
for p in "${pairs[@]}"; do
  src=${p%%:*}
  built "$src" && continue
  build_one "$src"
done
cat "$work/fetched" >> "$prefix/VERSIONS"
log "done: $prefix"
echo "$prefix"
