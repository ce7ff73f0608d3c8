#!/usr/bin/env bash
# Runs a command in a fresh minimal Debian 12 root that holds a clone of this
# checkout at HEAD: what a new machine has, and nothing else this one has.
#
#   scripts/fresh-root.sh [--user] [--env NAME=VALUE]... [--keep] 'COMMAND'
#   e.g. scripts/fresh-root.sh --user --env PYTHONUNBUFFERED=1 './setup.sh test'
#
# The base root (debootstrap --variant=minbase bookworm, plus git,
# ca-certificates and sudo) is made once from the Debian mirror this machine's
# apt uses and kept in $QO_FRESH_ROOT_CACHE (default
# /var/cache/quietorbit/fresh-root); it holds only Debian's own files. Each run
# copies it to a scratch root, clones the committed work there, runs COMMAND in
# the clone and removes the scratch root.
#
# COMMAND runs with the caller's environment, as a person's or a CI system's
# shell would hand it on; only what a chroot must change is changed: HOME and
# PATH, and the variables that point at this machine's sessions (its display,
# D-Bus, runtime folder, agents), which do not exist inside the root.
# --env NAME=VALUE adds or overrides a variable; --env NAME= removes one.
# --user runs COMMAND as a new ordinary user ("builder", with sudo and no
# password, as on a desktop install) instead of root.
#
# Nothing the project builds is shared with this machine: every library and
# build tree is made inside the root. Only apt's archive cache
# (/var/cache/apt/archives: Debian's own .deb files) is bound in, so packages
# are not downloaded twice. --keep leaves the scratch root in place for a look
# afterwards.
#
# Exit code: COMMAND's, or 70 when the fresh root cannot be made.
set -euo pipefail

usage() {
  echo "usage: $0 [--user] [--env NAME=VALUE]... [--keep] 'COMMAND'" >&2
  exit 2
}
as_user=0 keep=0 extra_env=()
while [ $# -gt 1 ]; do
  case "$1" in
    --user) as_user=1 ;;
    --keep) keep=1 ;;
    --env)
      [[ ${2:-} =~ ^[A-Za-z_][A-Za-z0-9_]*= ]] || { echo "fresh-root: --env needs NAME=VALUE, not '${2:-}'" >&2; usage; }
      extra_env+=("$2")
      shift ;;
    --env=*)
      [[ ${1#--env=} =~ ^[A-Za-z_][A-Za-z0-9_]*= ]] || { echo "fresh-root: --env needs NAME=VALUE, not '${1#--env=}'" >&2; usage; }
      extra_env+=("${1#--env=}") ;;
    -*) echo "fresh-root: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
  shift
done
[ $# -eq 1 ] || usage
command=$1

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cache=${QO_FRESH_ROOT_CACHE:-/var/cache/quietorbit/fresh-root}
suite=bookworm
include=git,ca-certificates,sudo

fail() {
  echo "fresh-root: CANNOT MAKE A FRESH ROOT: $*" >&2
  exit 70
}

[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and mounts); run it with sudo"

# The first bookworm mirror of this machine's apt sources, in either format.
mirror() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 stanzas: blank lines separate them.
    awk -v suite="$suite" '
      function flush() {
        if (!done && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ")) { print uris; done = 1 }
        types = uris = suites = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
      /^URIs:/ { sub(/^URIs:[ \t]*/, ""); split($0, u, /[ \t]+/); uris = u[1] }
      /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
      END { flush() }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v suite="$suite" '$1 == "deb" {
      i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) print $i }' "$f"
  done
}

# The base root, made once per mirror and package set.
base_root() {
  local url key base tmp
  # sed reads the whole list: an early-closing reader would break the pipe.
  url=$(mirror | sed -n 1p)
  [ -n "$url" ] || fail "no Debian $suite mirror in /etc/apt/sources.list or /etc/apt/sources.list.d/"
  key=$(printf '%s %s %s minbase 1' "$suite" "$url" "$include" | sha256sum | cut -c1-12)
  base=$cache/base-$suite-$key
  if [ -f "$base/.complete" ]; then
    echo "$base"
    return
  fi
  if ! command -v debootstrap >/dev/null; then
    echo "fresh-root: installing debootstrap" >&2
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap; } >&2 ||
      fail "debootstrap cannot be installed"
  fi
  tmp=$(mktemp -d "$cache/making.XXXXXX")
  chmod 0755 "$tmp"
  echo "fresh-root: debootstrap $suite from $url into $base (once; later runs reuse it)" >&2
  if ! debootstrap --variant=minbase --include="$include" "$suite" "$tmp" "$url" >"$tmp.log" 2>&1; then
    tail -n 30 "$tmp.log" >&2
    rm -rf --one-file-system "$tmp"
    fail "debootstrap failed (log: $tmp.log)"
  fi
  # The root reaches the archive as this machine does: its sources and its
  # apt settings for fetching (Acquire::...), nothing else.
  rm -f "$tmp/etc/apt/sources.list"
  cp /etc/apt/sources.list "$tmp/etc/apt/" 2>/dev/null || true
  cp /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list "$tmp/etc/apt/sources.list.d/" 2>/dev/null || true
  local conf
  for conf in /etc/apt/apt.conf.d/*; do
    if [ -f "$conf" ] && grep -q '^[[:space:]]*Acquire::' "$conf"; then cp "$conf" "$tmp/etc/apt/apt.conf.d/"; fi
  done
  rm -f "$tmp.log"
  touch "$tmp/.complete"
  rm -rf --one-file-system "$base"
  mv "$tmp" "$base"
  echo "$base"
}

started=$(date +%s)
mkdir -p "$cache" || fail "cannot make $cache"
exec 9>>"$cache/.lock"
flock 9
base=$(base_root)
flock -u 9

root=$(mktemp -d "$cache/run.XXXXXX")
mounts=()

cleanup() {
  local status=$? pid i
  # Whatever the command left running in the root ends with it.
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
  done
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null ||
      echo "fresh-root: cannot unmount ${mounts[i]}" >&2
  done
  if grep -q " $root/" /proc/self/mounts; then
    echo "fresh-root: something is still mounted under $root; left in place" >&2
  elif [ "$keep" -eq 1 ]; then
    echo "fresh-root: kept $root" >&2
  else
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

bind() {  # bind SOURCE TARGET-IN-ROOT
  mkdir -p "$root$2"
  mount --bind "$1" "$root$2" || fail "cannot bind $1 into the root"
  mounts+=("$root$2")
}

echo "fresh-root: copying $base" >&2
cp -a "$base/." "$root/" || fail "cannot copy the base root"
chmod 0755 "$root"  # mktemp's 0700 would keep apt's own user out
rm -f "$root/.complete"
mount -t proc proc "$root/proc" || fail "cannot mount /proc in the root"
mounts+=("$root/proc")
bind /sys /sys
bind /dev /dev
bind /dev/pts /dev/pts
mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm" || fail "cannot mount /dev/shm in the root"
mounts+=("$root/dev/shm")
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# A machine knows its own name (sudo looks it up).
grep -qw "$(hostname)" "$root/etc/hosts" 2>/dev/null || echo "127.0.1.1 $(hostname)" >> "$root/etc/hosts"
[ -d /var/cache/apt/archives ] && bind /var/cache/apt/archives /var/cache/apt/archives

if [ "$as_user" -eq 1 ]; then
  user=builder home=/home/builder
  chroot "$root" useradd --create-home --shell /bin/bash "$user" || fail "cannot add the user $user"
  echo "$user ALL=(ALL:ALL) NOPASSWD: ALL" > "$root/etc/sudoers.d/$user"
  chmod 0440 "$root/etc/sudoers.d/$user"
  ids=$(chroot "$root" id -u "$user"):$(chroot "$root" id -g "$user")
else
  user=root home=/root ids=0:0
fi

sha=$(git -C "$repo" rev-parse HEAD)
git clone -q --no-checkout "$repo" "$root$home/quietorbit" || fail "cannot clone $repo"
git -C "$root$home/quietorbit" checkout -q --detach "$sha" || fail "cannot check out $sha"
[ "$user" = root ] || chroot "$root" chown -R "$user:$user" "$home/quietorbit" || fail "cannot hand the clone to $user"
echo "fresh-root: root ready in $(($(date +%s) - started)) s; running '$command' as $user at $(git -C "$repo" log -1 --format='%h %s')" >&2

# The caller's environment, less what only means something on this machine.
unset_args=() set_args=(HOME="$home" USER="$user" LOGNAME="$user" PWD="$home/quietorbit"
                        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
for name in DISPLAY WAYLAND_DISPLAY XAUTHORITY XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS SSH_AUTH_SOCK \
            GPG_AGENT_INFO OLDPWD MAIL TMPDIR SUDO_USER SUDO_UID SUDO_GID SUDO_COMMAND \
            XDG_CACHE_HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME; do
  unset_args+=(-u "$name")
done
for e in "${extra_env[@]}"; do
  if [ -z "${e#*=}" ]; then unset_args+=(-u "${e%%=*}"); else set_args+=("$e"); fi
done

set +e
env "${unset_args[@]}" "${set_args[@]}" chroot --userspec="$ids" "$root" /bin/bash -c "cd ~/quietorbit && $command" </dev/null
status=$?
set -e
echo "fresh-root: '$command' exited with $status" >&2
exit "$status"
