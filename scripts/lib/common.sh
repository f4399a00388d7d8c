# Shared by scripts/build, scripts/test and scripts/run. Source it; do not run it.
# Paths, the package list, building both architectures and the private sound/display sandbox.

VELTO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
VELTO_CACHE=${VELTO_CACHE:-$HOME/.cache/veltorecorder}
export VELTO_CACHE
# Worktrees and clean clones share compiled objects: paths are hashed relative to the root.
export CCACHE_BASEDIR=$VELTO_ROOT

VELTO_APT_PACKAGES=(
  cmake ninja-build ccache dpkg-dev nasm debootstrap
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 googletest
  wine wine64 xvfb xauth x11-apps x11-utils xdotool imagemagick
  pulseaudio pulseaudio-utils sox ffmpeg fonts-nanum python3 zip unzip
  lame
  python3-pil fonts-dejavu-core
)
# Wine's own Marlett (caption buttons) comes in a package wine only recommends.
VELTO_APT_PACKAGES+=(fonts-wine)
# tests/fuzz: the fuzz targets are built natively with clang's libFuzzer and sanitizers.
VELTO_APT_PACKAGES+=(clang-14 libclang-rt-14-dev)
# bench/playback-cost compares our playback with Debian's own MP3 player.
VELTO_APT_PACKAGES+=(mpg123)

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }

# Installs the Debian packages that are missing (nothing when all are there).
ensure_packages() {
  local missing=()
  for p in "${VELTO_APT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# Builds the outside libraries (from Debian source packages) into the cache, once.
ensure_outside_libraries() {
  local arch
  for arch in x86_64 i686; do
    for script in "$VELTO_ROOT"/outside/deps/build-*.sh; do
      [ -x "$script" ] || continue
      "$script" "$arch" >/dev/null
    done
  done
}

# configure_and_build ARCH BUILD_DIR [extra cmake args...]: configures again whenever the
# arguments or the toolchain file differ from the last configuration's.
configure_and_build() {
  local arch=$1 dir=$2; shift 2
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  local args=(-DCMAKE_TOOLCHAIN_FILE="$VELTO_ROOT/cmake/mingw-$arch.cmake"
              -DVELTO_CACHE="$VELTO_CACHE" "${launcher[@]}" "$@")
  # The update list's public key (docs/publishing.md); without it, the project's test key.
  [ -z "${VELTO_UPDATE_PUBLIC_KEY:-}" ] || args+=(-DVELTO_UPDATE_PUBLIC_KEY="$VELTO_UPDATE_PUBLIC_KEY")
  # The toolchain file's flags reach only a fresh cache: a changed file starts one.
  local stamp
  stamp="${args[*]} $(md5sum < "$VELTO_ROOT/cmake/mingw-$arch.cmake" | cut -c1-12)"
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/.velto-configured" 2>/dev/null)" != "$stamp" ]; then
    rm -f "$dir/CMakeCache.txt"
    cmake -S "$VELTO_ROOT" -B "$dir" -G Ninja "${args[@]}" >/dev/null
    echo "$stamp" >"$dir/.velto-configured"
  fi
  cmake --build "$dir" --parallel "$(nproc)"
}

# build_all: both architectures with their tests (the x86 ones run under the WoW64 Wine).
VELTO_BUILD_X64=$VELTO_ROOT/build/x64
VELTO_BUILD_X86=$VELTO_ROOT/build/x86
build_all() {
  log "building x86_64"
  configure_and_build x86_64 "$VELTO_BUILD_X64" -DVELTO_BUILD_TESTS=ON
  log "building i686"
  configure_and_build i686 "$VELTO_BUILD_X86" -DVELTO_BUILD_TESTS=ON
}

# Fills dist/x64 and dist/x86 with what a user unzips.
assemble_dist() {
  local pair arch dir out
  for pair in "x64:$VELTO_BUILD_X64" "x86:$VELTO_BUILD_X86"; do
    arch=${pair%%:*}; dir=${pair#*:}
    out=$VELTO_ROOT/dist/$arch
    rm -rf "$out"
    # Stripped: the debugging sections are half of each binary and no use to a user.
    cmake --install "$dir" --prefix "$out" --strip >/dev/null
  done
  log "dist/x64 and dist/x86 assembled"
  package_dist
}

# The version the build gives every binary (the CMake project version), e.g. 1.02.
project_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}

# Zips dist/x64 and dist/x86, as just assembled, into dist/VeltoRecorder-<version>-<arch>.zip,
# each with one top folder "VeltoRecorder" so that unzipping makes one folder.
package_dist() {
  local pair arch dir version stage zipfile
  for pair in "x64:$VELTO_BUILD_X64" "x86:$VELTO_BUILD_X86"; do
    arch=${pair%%:*}; dir=${pair#*:}
    version=$(project_version "$dir")
    [ -n "$version" ] || { log "no project version in $dir"; return 1; }
    # Staged afresh and zipped into a new file: zip would otherwise add to an old archive.
    stage=$dir/package
    rm -rf "$stage" "$VELTO_ROOT"/dist/VeltoRecorder-*-"$arch".zip
    mkdir -p "$stage"
    cp -a "$VELTO_ROOT/dist/$arch" "$stage/VeltoRecorder"
    zipfile=$VELTO_ROOT/dist/VeltoRecorder-$version-$arch.zip
    (cd "$stage" && zip -q -r -X -9 "$zipfile" VeltoRecorder)
    rm -rf "$stage"
    log "$(basename "$zipfile"): $(stat -c %s "$zipfile") bytes"
  done
}

# ---- the sandbox: a private X display, PulseAudio with a null sink, a warm Wine prefix ----

# sandbox_start STATE_DIR: a private X display and PulseAudio; exports DISPLAY,
# XDG_RUNTIME_DIR, PULSE_SERVER. Then wine_use picks the Wine of one architecture.
sandbox_start() {
  local state=$1
  mkdir -p "$state"
  SANDBOX_STATE=$state
  SANDBOX_PIDS=()
  SANDBOX_WINESERVERS=()
  trap sandbox_stop EXIT
  trap 'sandbox_stop; exit 143' TERM
  trap 'sandbox_stop; exit 130' INT
  export XDG_RUNTIME_DIR=$state/xdg
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

  if [ -z "${SANDBOX_USE_DISPLAY:-}" ]; then
    local n
    for n in $(seq 91 199); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    SANDBOX_PIDS+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi

  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse-native" \
    --load="module-null-sink sink_name=speakers sink_properties=device.description=Speakers" \
    --load="module-always-sink" >"$state/pulse.log" 2>&1 &
  SANDBOX_PIDS+=($!)
  export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse-native"
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl set-default-sink speakers
  pactl set-default-source speakers.monitor
  wine_use x64 "$state"
}

# wine_use x64|x86 STATE_DIR: exports WINE, VELTO_WINESERVER and WINEPREFIX for running that
# architecture's build, with a warm prefix of its own under STATE_DIR and one persistent
# server (every test process then starts quickly). x64 runs under this machine's wine64; x86
# under the WoW64 Wine of wow64.sh, made on first use.
wine_use() {
  local arch=$1 state=$2
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  case $arch in
    x64) export WINE=/usr/lib/wine/wine64 VELTO_WINESERVER=wineserver
         export WINEPREFIX=${WINEPREFIX_OVERRIDE:-$state/wineprefix} ;;
    x86) source "$VELTO_ROOT/scripts/lib/wow64.sh"
         ensure_wow64_wine || return 1
         export WINE=$VELTO_WINE_X86 VELTO_WINESERVER=$VELTO_WINESERVER_X86
         export WINEPREFIX=${WINEPREFIX_OVERRIDE:-$state/wineprefix-x86} ;;
    *) log "wine_use: unknown architecture $arch"; return 1 ;;
  esac
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix for $arch"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
  fi
  # Re-applied whenever prepare-prefix.sh changes, so old prefixes pick up new settings.
  local stamp="$WINEPREFIX/.velto-prepared-$(md5sum < "$VELTO_ROOT/scripts/lib/prepare-prefix.sh" | cut -c1-12)"
  if [ ! -f "$stamp" ]; then
    "$VELTO_ROOT/scripts/lib/prepare-prefix.sh"
    rm -f "$WINEPREFIX"/.velto-prepared-* && touch "$stamp"
  fi
  # A server that is already up for this prefix (wineboot's, or the persistent one of an earlier
  # wine_use) is ended first: "-w" alone would wait forever for a persistent one.
  "$VELTO_WINESERVER" -k 2>/dev/null || true
  "$VELTO_WINESERVER" -w 2>/dev/null || true
  "$VELTO_WINESERVER" -p >/dev/null 2>&1
  SANDBOX_WINESERVERS+=("$VELTO_WINESERVER:$WINEPREFIX")
  "$WINE" cmd /c exit >/dev/null 2>&1 || true   # warm up
}

sandbox_stop() {
  [ -n "${SANDBOX_STATE:-}" ] || return 0
  local pid server
  for server in "${SANDBOX_WINESERVERS[@]}"; do
    WINEPREFIX=${server#*:} "${server%%:*}" -k >/dev/null 2>&1 || true
  done
  for pid in "${SANDBOX_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${SANDBOX_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  SANDBOX_STATE=
}
