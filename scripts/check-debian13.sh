#!/usr/bin/env bash
# Checks that the README's two commands pass on a fresh Debian 13 (trixie): builds a Debian 13
# chroot once (kept between runs), clones the current commit into it, runs `scripts/demo.sh` and
# `scripts/test.sh` there and prints a report. Needs root.
#
# Usage: scripts/check-debian13.sh [CHROOT_DIR]    (default /var/cache/tavorel-debian13)
# DEMO_SECONDS (default 6) is how long the demo runs inside; the logs stay in CHROOT_DIR/check/.
# The first run downloads and unpacks the release (a few minutes); later runs reuse it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:-/var/cache/tavorel-debian13}")
suite=trixie

if [ "$(id -u)" -ne 0 ]; then
  echo "check-debian13: needs root (debootstrap, chroot, mount)" >&2
  exit 2
fi
commit=$(git -C "$root" rev-parse HEAD)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "check-debian13: uncommitted changes are not checked, only commit $commit" >&2
fi

# The Debian mirror this machine's apt already uses.
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
  2>/dev/null | grep -oE 'https?://[^ ]*/debian/?( |$)' | grep -v security | head -n1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian}

if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
fi

# A previous run that was killed may have left its mounts.
if mountpoint -q "$dir"; then umount -R -l "$dir"; fi

if [ ! -e "$dir/.tavorel-chroot-ready" ]; then
  echo "check-debian13: building a Debian 13 chroot in $dir from $mirror"
  rm -rf "$dir"
  mkdir -p "$dir"
  debootstrap --variant=minbase "$suite" "$dir" "$mirror"
  touch "$dir/.tavorel-chroot-ready"
fi

cleanup() {
  if mountpoint -q "$dir"; then umount -R -l "$dir" || true; fi
}
trap cleanup EXIT
# The chroot bound onto itself, so that its / is a mount point as on a real machine.
mount --bind "$dir" "$dir"
mount --rbind /dev "$dir/dev"
mount --make-rslave "$dir/dev"
mount --rbind /sys "$dir/sys"
mount --make-rslave "$dir/sys"
mount -t proc proc "$dir/proc"
cp -L /etc/resolv.conf "$dir/etc/resolv.conf"

# A fresh clone of the current commit.
src=/root/tavorel
rm -rf "${dir:?}$src"
git clone -q --no-checkout "$root" "$dir$src"
git -C "$dir$src" checkout -q --detach "$commit"
logs="$dir/check"
rm -rf "$logs"
mkdir -p "$logs"

in_chroot() {
  chroot "$dir" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM=dumb DEMO_SECONDS="${DEMO_SECONDS:-6}" "$@"
}

start=$(date +%s)
demo_status=0
in_chroot bash -c "cd $src && bash scripts/demo.sh" >"$logs/demo.log" 2>&1 || demo_status=$?
demo_seconds=$(($(date +%s) - start))
start=$(date +%s)
test_status=0
in_chroot bash -c "cd $src && bash scripts/test.sh" >"$logs/test.log" 2>&1 || test_status=$?
test_seconds=$(($(date +%s) - start))

version_of() { in_chroot dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "not installed"; }
release=$(. "$dir/etc/os-release" && echo "$PRETTY_NAME")
screenshots=$(find "$dir$src/demo-output" -name 'screen-*.png' 2>/dev/null | wc -l)
summaries=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$logs/test.log" || true)

echo
echo "=== Debian 13 check of commit $commit ==="
echo "Release:    $release (chroot $dir, mirror $mirror)"
echo "Qt:         $(version_of qt6-base-dev)"
echo "Qt WebEngine: $(version_of qt6-webengine-dev)"
echo "GStreamer:  $(version_of libgstreamer1.0-dev)"
echo "Compiler:   $(in_chroot g++ -dumpfullversion 2>/dev/null || echo missing)"
echo "demo.sh:    exit $demo_status after ${demo_seconds} s, $screenshots screenshots"
if [ "$demo_status" -ne 0 ]; then tail -n 20 "$logs/demo.log" | sed 's/^/  | /'; fi
echo "test.sh:    exit $test_status after ${test_seconds} s"
if [ -n "$summaries" ]; then
  # The first summary is the normal build, the second the sanitizer build.
  paste -d' ' <(printf 'normal:\nsanitize:\n' | head -n "$(echo "$summaries" | wc -l)") \
    <(echo "$summaries") | sed 's/^/  /'
  grep -E '^\s+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Subprocess aborted|Not Run|Child aborted)' \
    "$logs/test.log" | sed 's/^ */  failed: /' || true
else
  echo "  no test summary: the build or the set-up stopped first; the end of its log:"
  tail -n 20 "$logs/test.log" | sed 's/^/  | /'
fi
echo "Logs:       $logs/demo.log, $logs/test.log"
[ "$demo_status" -eq 0 ] && [ "$test_status" -eq 0 ]
