#!/usr/bin/env bash
# Installing what is missing, as root and as an ordinary user with sudo, with
# stand-ins for dpkg, id, sudo and apt-get. The stand-in sudo clears the
# environment as sudo's env_reset does; apt-get records how it was called and
# whether it would have asked questions.
set -euo pipefail
script="$1/scripts/install-missing.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin log=$work/log
mkdir "$bin"
# The script sees only these commands: never the machine's own sudo or apt-get.
ln -s "$(command -v env)" "$bin/env"
ln -s "$(command -v bash)" "$bin/bash"
stub() { printf '#!/usr/bin/env bash\n%s\n' "$2" >"$bin/$1"; chmod +x "$bin/$1"; }
stub dpkg 'case "$2" in present*) exit 0 ;; *) exit 1 ;; esac'
stub id '[ "$1" = -u ] && echo "$FAKE_UID"'
stub sudo 'echo sudo >>"$LOG"; exec env -i PATH="$PATH" LOG="$LOG" "$@"'
stub apt-get 'echo "apt-get $* frontend=${DEBIAN_FRONTEND:-unset}" >>"$LOG"'

fail=0
run() {  # run UID PACKAGES... : the calls the script made, one per line
  : >"$log"
  PATH="$bin" LOG="$log" FAKE_UID=$1 bash "$script" "${@:2}" 2>/dev/null || echo "exit $?" >>"$log"
  cat "$log"
}
expect() {  # expect WHAT GOT WANT
  [ "$2" = "$3" ] && return
  printf '%s:\n  got:  %s\n  want: %s\n' "$1" "${2//$'\n'/ | }" "${3//$'\n'/ | }" >&2
  fail=1
}
expect "root, two of three missing" "$(run 0 present1 gone1 gone2)" \
"apt-get update -qq frontend=noninteractive
apt-get install -y -qq --no-install-recommends gone1 gone2 frontend=noninteractive"
expect "user with sudo" "$(run 1000 gone1 present1)" \
"sudo
apt-get update -qq frontend=noninteractive
sudo
apt-get install -y -qq --no-install-recommends gone1 frontend=noninteractive"
expect "nothing missing: no sudo, no apt" "$(run 1000 present1 present2)" ""
rm "$bin/sudo"
expect "user without sudo" "$(run 1000 gone1)" "exit 1"
expect "user without sudo, nothing missing" "$(run 1000 present1)" ""
exit $fail
