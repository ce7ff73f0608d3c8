#!/usr/bin/env bash
# The web libraries' cache key reads emcc's version. emcc prints its version
# and its copyright with separate writes; with Python unbuffered
# (PYTHONUNBUFFERED=1, common in CI images) a reader that closes the pipe after
# the first line makes the second write fail, and under pipefail the script
# stops. A stand-in emcc that writes the same way, and fails on a closed pipe
# as Python does, must leave the key intact.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/emcc" <<'STANDIN'
#!/usr/bin/env bash
trap '' PIPE
echo "emcc (Emscripten gcc/clang-like replacement + linker emulating GNU ld) 3.1.6 ()" || exit 1
sleep 0.2
echo "Copyright (C) 2014 the Emscripten authors (see AUTHORS.txt)" || exit 1
echo "This is free and open source software under the MIT license." || exit 1
STANDIN
chmod +x "$work/emcc"
key=$(PATH="$work:$PATH" PYTHONUNBUFFERED=1 QO_WASM_CACHE="$work/cache" bash "$source_dir/scripts/web-deps.sh" --key)
case "$key" in
  "$work/cache/"?*) echo "key: $key" ;;
  *) echo "web-deps.sh --key printed '$key', not a folder under $work/cache" >&2; exit 1 ;;
esac
# The same tools, another emscripten version: another key.
sed -i 's/ 3\.1\.6 / 3.1.7 /' "$work/emcc"
other=$(PATH="$work:$PATH" QO_WASM_CACHE="$work/cache" bash "$source_dir/scripts/web-deps.sh" --key)
[ "$other" != "$key" ] || { echo "the key does not change with emcc's version" >&2; exit 1; }
