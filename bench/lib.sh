# Shared by the benchmark scripts. Source it; do not run it.
#
# A benchmark runs the same Windows program from each architecture's build (x64 under this
# machine's wine64, x86 under the WoW64 Wine of scripts/lib/wow64.sh) and prints one table with
# a column per architecture. The programs print "key=value" lines; bench_keep files them under
# their architecture, and bench_row evaluates one expression of them per column.
# VELTO_BENCH_ARCHS="x64" or "x86" runs one architecture only. The x64 column runs under
# Debian 12's Wine 8 and the x86 one under Debian 13's Wine 10 (the one that draws 32-bit text):
# the column "x64w10" (VELTO_BENCH_ARCHS="x64 x86 x64w10") runs the x64 build under that Wine
# too, which tells the architecture's share of a difference from the Wine version's.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/common.sh"

BENCH_ARCHS=${VELTO_BENCH_ARCHS:-x64 x86}
BENCH_SANDBOX=$VELTO_ROOT/build/bench-sandbox
declare -A BENCH_FIG=()   # [arch:key] and [native:key] -> value
declare -A BENCH_ENV=()   # [arch] -> the Wine environment wine_use made for it

# bench_prepare: packages, outside libraries, the builds with the bench programs, the sandbox,
# and a warm Wine for each architecture. Both Wine servers stay up, so bench_use switches
# between them at no cost and runs of the two architectures can take turns.
bench_prepare() {
  ensure_packages
  ensure_outside_libraries
  local arch
  for arch in $BENCH_ARCHS; do
    case $arch in
      x64) configure_and_build x86_64 "$VELTO_BUILD_X64" -DVELTO_BUILD_TESTS=ON >/dev/null ;;
      x86) source "$VELTO_ROOT/scripts/lib/wow64.sh"
           ensure_wow64_wine
           configure_and_build i686 "$VELTO_BUILD_X86" -DVELTO_BUILD_TESTS=ON >/dev/null ;;
      x64w10) source "$VELTO_ROOT/scripts/lib/wow64.sh"
           ensure_wow64_wine
           configure_and_build x86_64 "$VELTO_BUILD_X64" -DVELTO_BUILD_TESTS=ON >/dev/null ;;
      *) log "unknown architecture in VELTO_BENCH_ARCHS: $arch"; exit 2 ;;
    esac
  done
  sandbox_start "$BENCH_SANDBOX"   # selects x64
  BENCH_ENV[x64]="$WINE|$VELTO_WINESERVER|$WINEPREFIX"
  if [[ " $BENCH_ARCHS " == *" x86 "* || " $BENCH_ARCHS " == *" x64w10 "* ]]; then
    wine_use x86 "$BENCH_SANDBOX"
    # The WoW64 Wine runs 64-bit programs as well, in the same prefix.
    BENCH_ENV[x86]="$WINE|$VELTO_WINESERVER|$WINEPREFIX"
    BENCH_ENV[x64w10]=${BENCH_ENV[x86]}
  fi
}

# bench_use ARCH: selects that architecture's Wine; BENCH_BIN is its build's bin folder.
bench_use() {
  IFS='|' read -r WINE VELTO_WINESERVER WINEPREFIX <<<"${BENCH_ENV[$1]}"
  export WINE VELTO_WINESERVER WINEPREFIX
  case $1 in
    x64|x64w10) BENCH_BIN=$VELTO_BUILD_X64/bin ;;
    x86) BENCH_BIN=$VELTO_BUILD_X86/bin ;;
  esac
}

# bench_each FUNCTION: runs FUNCTION ARCH for each architecture after bench_use, and keeps
# the "key=value" lines it prints. An architecture whose run fails shows "failed".
bench_each() {
  local arch out
  for arch in $BENCH_ARCHS; do
    bench_use "$arch"
    log "$arch: $1"
    if out=$("$1" "$arch"); then
      bench_keep "$arch" "$out"
    else
      log "$arch: $1 failed"
      BENCH_FIG[$arch:failed]=1
    fi
  done
}

# bench_try ARCH COMMAND...: runs COMMAND; when it fails, ARCH's column shows "failed" and the
# benchmark goes on with the other architecture.
bench_try() {
  local arch=$1; shift
  "$@" && return 0
  log "$arch: failed: ${*##*/}"
  BENCH_FIG[$arch:failed]=1
  return 1
}

# bench_keep WHOSE TEXT: files TEXT's "key=value" lines under WHOSE (an architecture or
# "native", the figures of the machine's own programs, one for both columns).
bench_keep() {
  local key value
  while IFS='=' read -r key value; do
    if [[ $key =~ ^[A-Za-z_][A-Za-z_0-9]*$ ]]; then BENCH_FIG[$1:$key]=$value; fi
  done < <(tr -d '\r' <<<"$2")
}

# bench_winpath PATH: the Windows name (drive Z:) of a Linux path.
bench_winpath() { echo "Z:${1//\//\\}"; }

# median: the median of the numbers on standard input (the mean of the middle two if even).
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# bench_eval WHOSE FORMAT EXPR: awk's printf FORMAT of EXPR, whose names are WHOSE's figures
# and the native ones; "n/a" when one of them is missing or the arithmetic fails.
bench_eval() {
  local whose=$1 format=$2 expr=$3 vars=() key name
  [ -z "${BENCH_FIG[$whose:failed]:-}" ] || { echo failed; return; }
  for name in $(grep -oE '[A-Za-z_][A-Za-z_0-9]*' <<<"$expr" | sort -u); do
    case $name in int|sqrt|log|exp) continue ;; esac
    [ -n "${BENCH_FIG[$whose:$name]:-}${BENCH_FIG[native:$name]:-}" ] || { echo n/a; return; }
  done
  for key in "${!BENCH_FIG[@]}"; do
    case $key in native:*|"$whose":*) vars+=(-v "${key#*:}=${BENCH_FIG[$key]}") ;; esac
  done
  awk "${vars[@]}" "BEGIN { printf \"$format\", $expr }" 2>/dev/null || echo n/a
}

BENCH_LABEL_WIDTH=46
BENCH_CELL_WIDTH=17

# bench_header TITLE: the table's title and its column heads.
bench_header() {
  local arch
  printf '\n%s\n%-*s' "$1" "$BENCH_LABEL_WIDTH" ""
  for arch in $BENCH_ARCHS; do printf ' %*s' "$BENCH_CELL_WIDTH" "$arch"; done
  printf '\n'
}

# bench_row LABEL FORMAT EXPR [NOTE]: one line, EXPR evaluated for each architecture.
bench_row() {
  local arch
  printf '%-*s' "$BENCH_LABEL_WIDTH" "$1"
  for arch in $BENCH_ARCHS; do
    printf ' %*s' "$BENCH_CELL_WIDTH" "$(bench_eval "$arch" "$2" "$3")"
  done
  if [ -n "${4:-}" ]; then printf '  %s\n' "$4"; else printf '\n'; fi
}

# bench_native_row LABEL FORMAT EXPR [NOTE]: a figure of the machine's own program, one value
# under the first column for both.
bench_native_row() {
  printf '%-*s %*s  %s\n' "$BENCH_LABEL_WIDTH" "$1" "$BENCH_CELL_WIDTH" \
    "$(bench_eval native "$2" "$3")" "${4:-(native, the same for both)}"
}
