#!/usr/bin/env bash
# Runs disk_full_test.exe with its save folder on a drive of its own: a small tmpfs mounted
# here and mapped into the Wine prefix as drive v:. The test fills it from the Linux side
# while the recorder writes. Mounting needs root; without it the test is skipped (exit 77),
# never passed. The mount and the drive letter are removed on every way out.
set -euo pipefail
: "${VELTO_BIN:?}" "${WINE:?}" "${WINEPREFIX:?}"

readonly drive=v:
readonly size_mib=60
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "mounting a small file system needs root"
link="$WINEPREFIX/dosdevices/$drive"
# A run that was killed (a time-out) leaves its mount and its drive behind: ours to remove.
if [ -L "$link" ]; then
  stale=$(readlink "$link")
  case "$stale" in
    /tmp/velto-disk-full.*)
      umount "$stale" 2>/dev/null || umount -l "$stale" 2>/dev/null || true
      rmdir "$stale" 2>/dev/null || true
      rm -f "$link" ;;
  esac
fi
[ ! -e "$link" ] && [ ! -L "$link" ] || skip "drive $drive is already mapped in the prefix"

mount_point=$(mktemp -d /tmp/velto-disk-full.XXXXXX)
mounted=0
cleanup() {
  rm -f "$link"
  [ "$mounted" = 1 ] && restart_server
  if [ "$mounted" = 1 ]; then
    umount "$mount_point" 2>/dev/null || umount -l "$mount_point" 2>/dev/null || true
  fi
  rmdir "$mount_point" 2>/dev/null || true
  # After the unmount, so that the persistent server's namespace does not keep the drive; and
  # Wine's own background programs started with no output, or they would keep the test
  # runner's pipe open for as long as the server lives.
  if [ "$mounted" = 1 ] && [ -n "${VELTO_WINESERVER:-}" ]; then
    "$VELTO_WINESERVER" -p >/dev/null 2>&1 </dev/null || true
    "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

if ! mount -t tmpfs -o "size=${size_mib}m,mode=0777" velto-disk-full "$mount_point" 2>/dev/null; then
  skip "mounting a tmpfs is not permitted here"
fi
mounted=1
ln -s "$mount_point" "$link"
# The Wine server opens files for its processes. The 32-bit Wine runs each command in a mount
# namespace of its own, made when the command starts: a server started before this mount
# would not see the drive. So the test gets a server of its own, and the run's persistent one
# comes back afterwards.
restart_server() {
  [ -n "${VELTO_WINESERVER:-}" ] || return 0
  "$VELTO_WINESERVER" -k >/dev/null 2>&1 || true
  "$VELTO_WINESERVER" -w >/dev/null 2>&1 || true
}
restart_server

export VELTO_SMALL_DRIVE=$drive
export VELTO_SMALL_MOUNT=$mount_point
status=0
"$WINE" "$VELTO_BIN/disk_full_test.exe" "$@" || status=$?
exit "$status"
