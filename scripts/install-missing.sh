#!/usr/bin/env bash
# Installs, through apt-get, those of the given Debian packages that dpkg says
# are missing; nothing at all when none is. A user other than root installs
# through sudo. sudo resets the environment, so the frontend setting that keeps
# apt from asking questions goes on its command line.
#   scripts/install-missing.sh PACKAGE...
set -euo pipefail
missing=()
for p in "$@"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}" >&2
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup: these packages are missing and installing them needs root or sudo: ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo "${as_root[@]}")
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
