#!/usr/bin/env bash
# The installed program, black-box: install_test.sh CHECK BUILD_DIR WORK_DIR [VERSION]
#
#   install    cmake --install into WORK_DIR/prefix (the other checks use it)
#   benchmark  the whole show from an unrelated folder, every scene ran
#   relocated  the install folder renamed: the show still finds its data, and
#              --record writes into the folder it was started from
#   nodata     no data anywhere: exit 1 and a message naming every place; data
#              elsewhere with a broken picture: the error log stays where it started
#   files      desktop entry (a window, the flashing warning), manual page (the
#              warning, every --help option), README (every --help option in its
#              table), the MIT licence, icons, --version
#   package    cpack -G DEB: the control fields, lintian without errors and
#              without warnings about the copyright file
set -euo pipefail
check=$1 build=$2 work=$3 version=${4:-}
prefix=$work/prefix
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8
unset QUIETORBIT_DATA

fail() { echo "FAIL: $*" >&2; exit 1; }

# A folder that holds no data/ and is far from the build and the install.
away() {
  local dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/qo-away.XXXXXX")
  echo "$dir"
}

scenes_ran() {  # every scene's row in a --benchmark table, with frames
  for scene in loading intro cube circles metaballs meshes greetz; do
    grep -Eq "^$scene +[1-9][0-9]* " "$1" || fail "no frames for $scene in: $(cat "$1")"
  done
}

case "$check" in
  install)
    rm -rf "$work"
    mkdir -p "$work"
    cmake --install "$build" --prefix "$prefix" >"$work/install.log"
    for f in bin/quietorbit games/quietorbit share/quietorbit/data/msx/QuietOrbit.mp3 \
             share/applications/quietorbit.desktop share/man/man6/quietorbit.6.gz \
             share/doc/quietorbit/README.md share/doc/quietorbit/copyright; do
      [ -e "$prefix/$f" ] || fail "$f was not installed"
    done
    [ ! -e "$prefix/bin/mkdata" ] || fail "the data generator was installed"
    ;;
  benchmark)
    dir=$(away)
    trap 'rm -rf "$dir"' EXIT
    (cd "$dir" && "$prefix/bin/quietorbit" --benchmark >out.txt 2>err.txt) || fail "exit $?: $(cat "$dir/err.txt")"
    scenes_ran "$dir/out.txt"
    [ "$(ls -A "$dir")" = "$(printf 'err.txt\nout.txt')" ] || fail "left files behind: $(ls -A "$dir")"
    ;;
  relocated)
    moved=$work/moved-elsewhere
    rm -rf "$moved"
    cp -a "$prefix" "$moved"
    dir=$(away)
    trap 'rm -rf "$dir" "$moved"' EXIT
    (cd "$dir" && "$moved/bin/quietorbit" --record=frames/ --frames=0,700 >out.txt 2>err.txt) ||
      fail "exit $?: $(cat "$dir/err.txt")"
    for f in frame_000000.png frame_000700.png frames.csv; do
      [ -s "$dir/frames/$f" ] || fail "frames/$f is not in the folder the program started in"
    done
    [ ! -e "$moved/share/quietorbit/frames" ] || fail "recorded into the data folder"
    # Frame 700 is drawn by the intro from its pictures: the data was found.
    grep -q '^700,new,intro,' "$dir/frames/frames.csv" || fail "frame 700: $(cat "$dir/frames/frames.csv")"
    ;;
  nodata)
    bare=$work/bare
    rm -rf "$bare"
    mkdir -p "$bare/bin"
    cp "$prefix/games/quietorbit" "$bare/bin/"
    dir=$(away)
    trap 'rm -rf "$dir" "$bare"' EXIT
    rc=0
    (cd "$dir" && QUIETORBIT_DATA=$dir/nowhere "$bare/bin/quietorbit" --benchmark >out.txt 2>err.txt) || rc=$?
    [ "$rc" = 1 ] || fail "exit $rc without data"
    for part in "$dir (the working folder)" "$dir/nowhere (QUIETORBIT_DATA)" \
                "$bare/share/quietorbit (installed beside $bare/bin/quietorbit)" mkdata; do
      grep -qF "$part" "$dir/err.txt" || fail "the message does not name '$part': $(cat "$dir/err.txt")"
    done
    [ ! -s "$dir/out.txt" ] || fail "printed a report without data"
    # Data named by QUIETORBIT_DATA with a broken picture: the error log goes to
    # the folder the program was started in, not into the data folder.
    mkdir -p "$bare/tree"
    cp -a "$prefix/share/quietorbit/data" "$bare/tree/"
    echo "not a picture" >"$bare/tree/data/gfx/loading/ld01.png"
    rc=0
    (cd "$dir" && QUIETORBIT_DATA=$bare/tree "$bare/bin/quietorbit" --benchmark >out.txt 2>err.txt) || rc=$?
    [ "$rc" = 1 ] || fail "exit $rc with a broken picture: $(cat "$dir/err.txt")"
    grep -q "format not supported" "$dir/ZNT_ERR.txt" || fail "no error log in the start folder: $(ls "$dir")"
    [ ! -e "$bare/tree/ZNT_ERR.txt" ] || fail "the error log went into the data folder"
    ;;
  files)
    entry=$prefix/share/applications/quietorbit.desktop
    desktop-file-validate "$entry"
    # The menu starts the flashing show in a window and says what it is.
    grep -qx 'Exec=quietorbit -windowed' "$entry" || fail "the desktop entry does not start a window: $(grep Exec "$entry")"
    grep -q '^Comment=.*flashing.*photosensitive epilepsy' "$entry" || fail "no warning in the desktop entry"
    page=$prefix/share/man/man6/quietorbit.6.gz
    MANWIDTH=2000 LC_ALL=C man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.err" || fail "man failed"
    [ ! -s "$work/man.err" ] || fail "man warnings: $(cat "$work/man.err")"
    grep -q '^WARNING' "$work/man.txt" && grep -q 'photosensitive epilepsy' "$work/man.txt" ||
      fail "the manual page has no photosensitivity warning"
    # Every option of --help is described in the page and in the README's table.
    readme=$prefix/share/doc/quietorbit/README.md
    "$prefix/bin/quietorbit" --help | grep -Eo '^  -[^ =]+' | while read -r option; do
      grep -qF -- "$option" "$work/man.txt" || fail "the manual page lacks $option"
      grep -q -- "^| .*\`$option[=\`]" "$readme" || fail "the README's options table lacks $option"
    done
    keys=$("$prefix/bin/quietorbit" --help | sed -n '/^Keys:/,/^$/p' | tr '\n' ' ')
    for key in Escape F11 Alt+Enter Space F12 Left Right Home; do
      [[ "$keys" == *"$key"* ]] || fail "--help does not name the key $key: $keys"
      grep -qF -- "$key" "$work/man.txt" || fail "the manual page does not name the key $key"
    done
    grep -q '^License: Expat' "$prefix/share/doc/quietorbit/copyright" || fail "the copyright file names no licence"
    [ "$("$prefix/bin/quietorbit" --version)" = "quietorbit $version" ] || fail "--version: $("$prefix/bin/quietorbit" --version)"
    grep -qF "quietorbit $version" "$work/man.txt" || fail "the manual page is not of version $version"
    for size in 48 128 256; do
      icon=$prefix/share/icons/hicolor/${size}x${size}/apps/quietorbit.png
      [[ "$(file "$icon")" == *"$size x $size, 8-bit/color RGBA"* ]] || fail "icon: $(file "$icon")"
    done
    ;;
  package)
    rm -rf "$work"
    mkdir -p "$work"
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" || fail "cpack: $(cat "$work/cpack.log")"
    deb=$work/quietorbit_${version}_amd64.deb
    [ -f "$deb" ] || fail "no $deb: $(ls "$work")"
    field() { dpkg-deb -f "$deb" "$1"; }
    depends=$(field Depends)
    for dep in fonts-liberation fonts-dejavu-core libsdl2-2.0-0 libc6; do
      [[ "$depends" == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
    done
    [ "$(field Recommends)" = ffmpeg ] || fail "Recommends: $(field Recommends)"
    [ "$(field Section)" = games ] || fail "Section: $(field Section)"
    [ -n "$(field Maintainer)" ] || fail "no maintainer"
    dpkg-deb -c "$deb" >"$work/contents.txt"
    grep -q ' \./usr/share/doc/quietorbit/copyright$' "$work/contents.txt" || fail "no copyright file"
    lintian --no-tag-display-limit "$deb" >"$work/lintian.txt" 2>&1 || true
    cat "$work/lintian.txt"
    ! grep -q '^E:' "$work/lintian.txt" || fail "lintian reports errors"
    ! grep -q '^W:.*copyright' "$work/lintian.txt" || fail "lintian warns about the copyright file"
    ;;
  *)
    fail "unknown check $check"
    ;;
esac
