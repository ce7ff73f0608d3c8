#!/usr/bin/env bash
# Builds the libraries the web version links (SDL2, zlib, libpng, libjpeg-turbo,
# FreeType, mpg123, libopenmpt) as static WebAssembly libraries, from Debian's own
# source packages at the versions the native build uses.
#
#   scripts/web-deps.sh          build them unless built, print the prefix
#   scripts/web-deps.sh --key    print the prefix only
#
# The result goes to ~/.cache/quietorbit/wasm/<key>/{include,lib}; the key depends
# only on the source versions, the emscripten version and the recipe (this script
# and scripts/web-deps/), so the folder can be shared between checkouts. It is
# filled under another name and renamed when complete: a failed or interrupted
# run leaves no prefix behind. Sources are fetched through a private apt
# configuration, as any user: the system's apt settings stay untouched.
#
# No library's own build system runs. Their configure checks, each one an emcc
# run, took most of the time; instead the configuration headers those checks
# arrive at are written here (from each library's own templates, or SDL's own
# header for Emscripten), and scripts/web-deps/libs.mk compiles the seven source
# lists at once on every core, with clang called as emcc calls it.
set -euo pipefail

recipe=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/web-deps
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
cache_root=${QO_WASM_CACHE:-${XDG_CACHE_HOME:-${HOME:?web-deps: neither HOME nor QO_WASM_CACHE is set}/.cache}/quietorbit/wasm}
log() { echo "web-deps: $*" >&2; }

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
sources=()
declare -A version
for p in "${pairs[@]}"; do
  src=${p%%:*} dev=${p#*:}
  v=$(dpkg-query -W -f='${source:Version}' "$dev" 2>/dev/null || true)
  [ -n "$v" ] || { log "$dev is not installed (./setup.sh build installs it)"; exit 1; }
  sources+=("$src")
  version[$src]=$v
done
# All of emcc's output, then its first line: a reader that stops early makes
# emcc's later writes fail, and emcc with them (under pipefail, the script).
emcc_says=$(emcc --version)
emver=$(sed -n '1s/.* \([0-9][0-9.]*\) .*/\1/p' <<<"$emcc_says")
[ -n "$emver" ] || { log "no version in the output of emcc --version"; exit 1; }

key=$( { echo "emscripten $emver"
         for src in "${sources[@]}"; do echo "$src ${version[$src]}"; done
         cat "${BASH_SOURCE[0]}" "$recipe"/*; } | sha256sum | cut -c1-16)
prefix=$cache_root/$key

if [ "${1:-}" = --key ]; then echo "$prefix"; exit 0; fi
if [ -d "$prefix" ]; then echo "$prefix"; exit 0; fi

mkdir -p "$cache_root"
work=$(cd "$(mktemp -d "${TMPDIR:-/tmp}/qo-wasm.XXXXXX")" && pwd)
stage=$(mktemp -d "$cache_root/.partial.XXXXXX")
trap 'rm -rf "$work" "$stage"' EXIT

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

apt=$work/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$work/dl"
# Only Debian archives carry the source packages we want; third-party entries
# would just fail to update.
apt_sources | grep -E '/debian(-security)?/? ' > "$apt/sources.debian" || true
[ -s "$apt/sources.debian" ] || { log "no Debian entry in /etc/apt/sources.list{,.d}"; exit 1; }
aptopts=(-o Dir::Etc::SourceList="$apt/sources.debian" -o Dir::Etc::SourceParts="$apt/parts"
         -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
         -o APT::Sandbox::User=root)
log "reading the source indexes"
apt-get "${aptopts[@]}" update -qq >&2

# The source versions the archive lists for package $1, to try in order: the
# installed one, then (when the archive that served a security update no
# longer serves its source, or its files are not there) the other revisions of
# the same upstream version, newest first.
served=$(apt-cache "${aptopts[@]}" showsrc "${sources[@]}" 2>/dev/null || true)
candidates() {
  local want=${version[$1]} listed
  listed=$(awk -v p="$1" '/^Package: /{pkg = $2} /^Version: /{if (pkg == p) print $2}' <<<"$served")
  ! grep -qxF "$want" <<<"$listed" || echo "$want"
  grep -F "${want%-*}-" <<<"$listed" | grep -vxF "$want" | sort -uVr || true
}
# The downloaded tarballs of source package $1 at version fetch[$1]: sets
# orig, debian and components (upstream's component tarballs), else fails.
tarballs() {
  local v=${fetch[$1]#*:} t
  orig='' debian='' components=()
  for t in "$work/dl/${1}_${v%-*}".orig{,-*}.tar.* "$work/dl/${1}_$v".debian.tar.*; do
    case "$t" in
      *.asc|*'*'*) ;;
      *.orig.tar.*) orig=$t ;;
      *.debian.tar.*) debian=$t ;;
      *) components+=("$t") ;;
    esac
  done
  [ -n "$orig" ] && [ -n "$debian" ]
}
# A missing upstream signature file (mpg123's) makes apt-get report failure
# although the tarballs arrive: check for them instead.
download() {
  (cd "$work/dl" && apt-get "${aptopts[@]}" source --download-only -qq "$@") >&2 2>>"$work/dl.log" || true
}

# One download for all at their first candidates, then the next candidates
# of what did not arrive.
declare -A fetch
specs=()
for src in "${sources[@]}"; do
  fetch[$src]=$(candidates "$src" | sed -n 1p)
  [ -n "${fetch[$src]}" ] || { log "$src: no source of ${version[$src]%-*} in $apt/sources.debian"; exit 1; }
  specs+=("$src=${fetch[$src]}")
done
log "fetching ${specs[*]}"
download "${specs[@]}"
for src in "${sources[@]}"; do
  tarballs "$src" && continue
  for v in $(candidates "$src" | sed 1d); do
    fetch[$src]=$v
    download "$src=$v"
    tarballs "$src" && break
  done
  tarballs "$src" || { cat "$work/dl.log" >&2; log "$src: no source of ${version[$src]%-*} could be fetched"; exit 1; }
done
for src in "${sources[@]}"; do
  [ "${fetch[$src]}" = "${version[$src]}" ] || log "$src: source of ${version[$src]} not served, using ${fetch[$src]}"
done

# Unpacks a source package as dpkg-source would: the upstream tarball, its
# component tarballs in folders of their names, then the Debian patches.
unpack() {
  local src=$1 tree=$work/src/$1 t p opt
  tarballs "$src"
  mkdir -p "$tree"
  tar -xf "$orig" -C "$tree" --strip-components=1
  for t in "${components[@]}"; do
    p=${t##*.orig-}; p=${p%%.tar.*}
    mkdir -p "$tree/$p" && tar -xf "$t" -C "$tree/$p" --strip-components=1
  done
  tar -xf "$debian" -C "$tree"
  [ -f "$tree/debian/patches/series" ] || return 0
  while read -r p opt; do
    case "$p" in ''|'#'*) continue ;; esac
    patch -d "$tree" "${opt:--p1}" -s -f --no-backup-if-mismatch < "$tree/debian/patches/$p" >&2 ||
      { log "$src: debian/patches/$p does not apply"; exit 1; }
  done < "$tree/debian/patches/series"
}
# All at once (a few seconds each, SDL's the longest); each names its failure.
pids=()
for src in "${sources[@]}"; do unpack "$src" & pids+=($!); done
unpacked=1
for pid in "${pids[@]}"; do wait "$pid" || unpacked=0; done
[ $unpacked = 1 ] || exit 1
s=$work/src

# Writes $2 from the template $1: @NAME@ becomes the value given as NAME=value;
# "#cmakedefine NAME" becomes a #define for a +NAME argument, else a comment.
fill() {
  local in=$1 out=$2 a; shift 2
  local edits=()
  for a in "$@"; do
    case "$a" in
      +*) edits+=(-e "s|^#cmakedefine ${a#+}\\b|#define ${a#+}|") ;;
      *) edits+=(-e "s|@${a%%=*}@|${a#*=}|g") ;;
    esac
  done
  sed "${edits[@]}" -e 's|^#cmakedefine \([A-Za-z0-9_]*\).*|/* #undef \1 */|' "$in" > "$out"
}
# A value set in a CMakeLists.txt or configure.ac, e.g. set(VERSION 2.1.5).
setting() { sed -n "s/^$2[[:space:]]*\"\\{0,1\\}\\([^\")]*\\).*/\\1/p" "$1" | sed -n 1p; }

# The configuration the libraries' build systems write for this target.
# zlib: its configure finds unistd.h and stdarg.h.
sed -i -e '/^#ifdef HAVE_UNISTD_H.* may be/s/def HAVE_UNISTD_H\(.*\) may be/ 1\1 was/' \
       -e '/^#ifdef HAVE_STDARG_H.* may be/s/def HAVE_STDARG_H\(.*\) may be/ 1\1 was/' "$s/zlib/zconf.h"
# libpng: the default options, which its prebuilt header holds.
cp "$s/libpng1.6/scripts/pnglibconf.h.prebuilt" "$s/libpng1.6/pnglibconf.h"
# libjpeg-turbo: CMake's answers for wasm32 (32-bit size_t, GCC-style inline and
# thread-local; no __builtin_ctzl path, as CMake cannot compare type sizes it
# cannot read out of a WebAssembly program: the portable loop gives the same
# result), the build date that of the Debian source.
j=$s/libjpeg-turbo
jv=$(setting "$j/CMakeLists.txt" 'set(VERSION')
IFS=. read -r jmaj jmin jrev <<<"$jv"
fill "$j/jconfig.h.in" "$j/jconfig.h" JPEG_LIB_VERSION=62 VERSION="$jv" BITS_IN_JSAMPLE=8 \
  LIBJPEG_TURBO_VERSION_NUMBER="$(printf '%d%03d%03d' "$jmaj" "$jmin" "$jrev")" \
  +C_ARITH_CODING_SUPPORTED +D_ARITH_CODING_SUPPORTED +MEM_SRCDST_SUPPORTED
fill "$j/jconfigint.h.in" "$j/jconfigint.h" VERSION="$jv" CMAKE_PROJECT_NAME=libjpeg-turbo \
  BUILD="$(date -u -d "@$(dpkg-parsechangelog -l "$j/debian/changelog" -S Timestamp)" +%Y%m%d)" \
  INLINE='__inline__ __attribute__((always_inline))' THREAD_LOCAL=__thread SIZE_T=4
fill "$j/jversion.h.in" "$j/jversion.h" COPYRIGHT_YEAR="$(setting "$j/CMakeLists.txt" 'set(COPYRIGHT_YEAR')"
# FreeType: the Unix configuration with unistd.h and fcntl.h, the zlib above.
f=$s/freetype/include/freetype/config
sed -e 's/^#undef \+\(HAVE_UNISTD_H\|HAVE_FCNTL_H\)\b/#define \1 1/' \
  "$s/freetype/builds/unix/ftconfig.h.in" > "$f/ftconfig.h"
sed -i 's|/\* *\(#define \+FT_CONFIG_OPTION_SYSTEM_ZLIB\) *\*/|\1|' "$f/ftoption.h"
grep -q '^#define FT_CONFIG_OPTION_SYSTEM_ZLIB' "$f/ftoption.h" ||
  { log "freetype: no FT_CONFIG_OPTION_SYSTEM_ZLIB to enable in $f/ftoption.h"; exit 1; }
# mpg123: configure's result, kept in scripts/web-deps, and its API header.
m=$s/mpg123
mv=$(sed -n 's/^AC_INIT(\[mpg123\], \[\([^]]*\)\].*/\1/p' "$m/configure.ac")
fill "$recipe/mpg123-config.h" "$m/src/config.h" PACKAGE_VERSION="$mv"
fill "$m/src/libmpg123/mpg123.h.in" "$m/src/libmpg123/mpg123.h" PACKAGE_VERSION="$mv" \
  API_VERSION="$(setting "$m/configure.ac" 'API_VERSION=')" BUILD_NO_LARGENAME=1 \
  INCLUDE_STDLIB_H='#include <stdlib.h>' INCLUDE_SYS_TYPE_H='#include <sys/types.h>'
# libopenmpt: the version its configure defines.
sed -n 's/^AC_DEFINE(\[\(MPT_[A-Z]*\)\], \[\(.*\)\], \[.*\])$/#define \1 \2/p' \
  "$s/libopenmpt/configure.ac" > "$s/libopenmpt/configure-defs.h"
grep -q MPT_SVNVERSION "$s/libopenmpt/configure-defs.h" ||
  { log "libopenmpt: no MPT_SVNVERSION in $s/libopenmpt/configure.ac"; exit 1; }
for h in "$j/jconfig.h" "$j/jconfigint.h" "$j/jversion.h" "$m/src/config.h" "$m/src/libmpg123/mpg123.h"; do
  ! grep -n '@[A-Z_]*@\|#cmakedefine' "$h" >&2 || { log "$h: a template field is left"; exit 1; }
done

# The compiler emcc runs and the flags it gives it, read from emscripten's
# configuration: calling them directly saves emcc's start per file. A probe
# checks that the objects are emcc's own, else emcc and em++ do the work.
tool() {
  local root suffix
  root=$(em-config LLVM_ROOT); suffix=$(em-config "$2")
  case "$suffix" in None|'') echo "$root/$1" ;; *) echo "$root/$1-$suffix" ;; esac
}
cc=$(tool clang CLANG_ADD_VERSION) cxx=$(tool clang++ CLANG_ADD_VERSION) ar=$(tool llvm-ar LLVM_ADD_VERSION)
emflags=$(emcc --cflags)
probe=$work/probe
mkdir -p "$probe"
printf '#include <string.h>\nsize_t n(const char *s) { return strlen(s) * 3; }\n' > "$probe/p.c"
printf '#include <string>\nstd::string t(int i) { return std::to_string(i); }\n' > "$probe/p.cpp"
same=1
for x in "$cc:emcc:c" "$cxx:em++:cpp"; do
  IFS=: read -r direct wrapper ext <<<"$x"
  "$wrapper" -O2 -c "$probe/p.$ext" -o "$probe/e.o"
  eval "\"\$direct\" $emflags -O2 -c \"\$probe/p.$ext\" -o \"\$probe/d.o\"" 2>/dev/null || same=0
  cmp -s "$probe/e.o" "$probe/d.o" || same=0
done
if [ $same = 0 ]; then
  log "$cc with emcc's flags does not make emcc's objects: compiling through emcc"
  cc=emcc cxx=em++ emflags=
fi

log "compiling ${sources[*]}"
make -f "$recipe/libs.mk" -j"$(nproc)" SRC="$s" OUT="$work/out" \
  CC="$cc" CXX="$cxx" AR="$ar" EMFLAGS="$emflags" >&2

# The installed layout the build systems give, as far as the program uses it.
inc=$stage/include
mkdir -p "$inc/SDL2" "$inc/freetype2" "$inc/libopenmpt" "$stage/lib"
cp "$work/out"/lib*.a "$stage/lib/"
cp "$s/zlib/"{zlib.h,zconf.h} "$inc/"
cp "$s/libpng1.6/"{png.h,pngconf.h,pnglibconf.h} "$inc/"
cp "$j/"{jpeglib.h,jmorecfg.h,jerror.h,jconfig.h} "$inc/"
cp -r "$s/freetype/include/." "$inc/freetype2/"
rm -r "$inc/freetype2/freetype/internal"
cp "$s/libsdl2/include/"*.h "$inc/SDL2/"
cp "$m/src/libmpg123/"{mpg123.h,fmt123.h} "$inc/"
cp "$s/libopenmpt/libopenmpt/"{libopenmpt.h,libopenmpt.hpp,libopenmpt_config.h,libopenmpt_version.h,libopenmpt_ext.h,libopenmpt_ext.hpp,libopenmpt_stream_callbacks_buffer.h,libopenmpt_stream_callbacks_fd.h,libopenmpt_stream_callbacks_file.h} "$inc/libopenmpt/"
for src in "${sources[@]}"; do echo "$src ${fetch[$src]}"; done > "$stage/VERSIONS"

# Complete: give it its name. Another run that finished first keeps its own.
chmod 755 "$stage"
mv -T "$stage" "$prefix" 2>/dev/null || [ -d "$prefix" ] ||
  { log "cannot rename $stage to $prefix"; exit 1; }
log "done: $prefix"
echo "$prefix"
