# Shared by the scripts that run the 32-bit build. Source it after common.sh; do not run it.
#
# The 32-bit programs run in Wine's WoW64 mode (32-bit Windows code inside a 64-bit process),
# so no 32-bit Linux support is needed. Debian 12's Wine 8 draws no text for 32-bit programs,
# so they run under Debian 13's Wine 10 instead, in a chroot of our own (Wine 10 needs a newer
# C library than Debian 12 has), with the i386 Windows libraries of the same Wine version
# grafted in. The chroot lives in the cache and is made once; scripts/lib/in-wow64 runs a
# command inside it, in a private mount namespace, so its bind mounts vanish with it on every
# way out.

VELTO_WOW64_ROOT=${VELTO_WOW64_ROOT:-$VELTO_CACHE/wow64-trixie-r1}
export VELTO_WOW64_ROOT
# Commands that stand in for wine64 and wineserver for the 32-bit build.
VELTO_WINE_X86=$VELTO_ROOT/scripts/lib/wine-x86
VELTO_WINESERVER_X86=$VELTO_ROOT/scripts/lib/wineserver-x86

# What the chroot holds besides Wine: the Linux programs the tests and benchmarks start from
# the Windows side (they run inside the chroot too).
VELTO_WOW64_PACKAGES=(wine64 libwine fonts-wine fonts-nanum pulseaudio-utils sox ffmpeg
  procps x11-apps imagemagick ca-certificates)

# The Debian mirror this machine's own packages come from (VELTO_WOW64_MIRROR overrides it).
wow64_mirror() {
  [ -z "${VELTO_WOW64_MIRROR:-}" ] || { echo "$VELTO_WOW64_MIRROR"; return; }
  local uri
  uri=$(grep -hoE '^(URIs:|deb) +[a-z]+://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources \
          /etc/apt/sources.list 2>/dev/null | grep -oE '[a-z]+://[^ ]+' | head -n1)
  echo "${uri:-http://deb.debian.org/debian}"
}

wow64_fail() {
  log "the 32-bit test Wine could not be made: $*"
  log "(it needs Debian 13 (trixie) packages from $(wow64_mirror): debootstrap's base system, wine64, libwine and libwine:i386; see $VELTO_WOW64_ROOT.log)"
  return 1
}

# True when nothing is mounted at or below DIR (a chroot is never deleted while it has mounts).
wow64_unmounted() {
  ! findmnt -rn -o TARGET | grep -qF -- "$1"
}

# Makes the chroot once. A half-made one is never taken for complete: it is built under a
# .partial name and renamed only after its last step.
ensure_wow64_wine() {
  local root=$VELTO_WOW64_ROOT
  [ -f "$root/.velto-complete" ] && return 0
  local part=$root.partial logfile=$root.log mirror
  mirror=$(wow64_mirror)
  log "making the 32-bit test Wine (Debian 13 chroot with Wine 10) in $root, once"
  mkdir -p "$(dirname "$root")"
  : >"$logfile"
  if [ -e "$part" ]; then
    wow64_unmounted "$part" || { wow64_fail "$part still has mounts"; return 1; }
    rm -rf "$part"
  fi
  command -v debootstrap >/dev/null || { wow64_fail "debootstrap is not installed"; return 1; }
  # Every network step has a limit: a machine without the registry gets a message, not a hang.
  printf 'timeout = 30\ntries = 3\n' >"$part.wgetrc"
  local fetched=0
  WGETRC=$part.wgetrc timeout 900 debootstrap --variant=minbase trixie "$part" "$mirror" >>"$logfile" 2>&1 &&
    fetched=1
  rm -f "$part.wgetrc"
  [ "$fetched" = 1 ] || { wow64_fail "debootstrap of Debian 13 failed"; return 1; }
  cp /etc/resolv.conf "$part/etc/resolv.conf" 2>/dev/null || true
  local apt_opts="-o Acquire::http::Timeout=30 -o Acquire::Retries=2"
  wow64_chroot_setup "$part" "
    export DEBIAN_FRONTEND=noninteractive
    timeout 600 apt-get $apt_opts update -qq &&
    timeout 1200 apt-get $apt_opts install -y -qq --no-install-recommends ${VELTO_WOW64_PACKAGES[*]}
  " >>"$logfile" 2>&1 || { wow64_fail "installing ${VELTO_WOW64_PACKAGES[*]} in the chroot failed"; return 1; }

  # The i386 Windows libraries of exactly the chroot's Wine version, fetched through a private
  # apt state so that the chroot's dpkg keeps one architecture.
  local version
  version=$(chroot "$part" dpkg-query -W -f='${Version}' libwine 2>/dev/null) ||
    { wow64_fail "libwine is not installed in the chroot"; return 1; }
  wow64_chroot_setup "$part" "
    S=/var/tmp/i386-state; rm -rf \$S; mkdir -p \$S/lists/partial \$S/cache/archives/partial /var/tmp/i386
    o='-o APT::Architectures=i386 -o Dir::State::Lists='\$S'/lists -o Dir::Cache='\$S'/cache -o Dir::State::status=/dev/null $apt_opts'
    timeout 600 apt-get \$o update -qq &&
    cd /var/tmp/i386 && timeout 900 apt-get \$o download libwine:i386=$version &&
    dpkg-deb -x libwine_*_i386.deb x &&
    [ -d x/usr/lib/i386-linux-gnu/wine/i386-windows ] &&
    mkdir -p /usr/lib/x86_64-linux-gnu/wine/i386-windows &&
    cp -a x/usr/lib/i386-linux-gnu/wine/i386-windows/. /usr/lib/x86_64-linux-gnu/wine/i386-windows/ &&
    cd / && rm -rf /var/tmp/i386 \$S
  " >>"$logfile" 2>&1 || { wow64_fail "libwine:i386 $version could not be fetched or unpacked"; return 1; }
  [ -f "$part/usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll" ] ||
    { wow64_fail "the i386 Windows libraries are missing after the graft"; return 1; }
  # Packages' caches are of no further use.
  rm -rf "$part"/var/cache/apt/archives/*.deb "$part"/var/lib/apt/lists/*_Packages
  touch "$part/.velto-complete"
  wow64_unmounted "$part" || { wow64_fail "$part still has mounts"; return 1; }
  mv "$part" "$root"
  log "the 32-bit test Wine is ready: $("$VELTO_WINE_X86" --version 2>/dev/null)"
}

# wow64_chroot_setup DIR SCRIPT: runs SCRIPT as root inside DIR with /proc and /dev mounted,
# in a mount namespace of its own.
wow64_chroot_setup() {
  unshare -m --propagation private sh -c '
    r=$1; s=$2
    mount --bind /proc "$r/proc" && mount --rbind /dev "$r/dev" || exit 125
    exec chroot "$r" /bin/sh -c "$s"' sh "$1" "$2"
}
