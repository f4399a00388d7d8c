#!/usr/bin/env bash
# The release packages as a user gets them: unzips dist/VeltoRecorder-<version>-x64.zip into a
# fresh folder with a Korean name and a space, and the x86 one beside it; checks that each
# holds exactly the installation under one top folder and that every PE is of its package's
# architecture; then package_test.exe checks the version resources and the manifests of both
# and starts the unzipped program of its own architecture under Wine, plainly and with the
# hand-over's command line, and records and plays each file type with it.
set -euo pipefail
: "${VELTO_SOURCE:?}" "${VELTO_BIN:?}" "${VELTO_VERSION:?}" "${WINE:?}"

dist=$VELTO_SOURCE/dist
x64_zip=$dist/VeltoRecorder-$VELTO_VERSION-x64.zip
x86_zip=$dist/VeltoRecorder-$VELTO_VERSION-x86.zip
for zip in "$x64_zip" "$x86_zip"; do
  [ -f "$zip" ] || { echo "missing: $zip (scripts/build or scripts/test makes it)"; exit 1; }
  # A package older than the build would test yesterday's programs.
  [ "$zip" -nt "$VELTO_BIN/VeltoRecorder.exe" ] ||
    { echo "$zip is older than the build: run scripts/build"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x64_dir="$work/녹음기 테스트"
x86_dir="$work/x86"
mkdir "$x64_dir" "$x86_dir"
unzip -q "$x64_zip" -d "$x64_dir"
unzip -q "$x86_zip" -d "$x86_dir"

expected="VeltoRecorder/
VeltoRecorder/Bivnote.dll
VeltoRecorder/Plugins/
VeltoRecorder/Plugins/in_mp3.dll
VeltoRecorder/Plugins/in_wav.dll
VeltoRecorder/Plugins/in_wma.dll
VeltoRecorder/Plugins/out_wave.dll
VeltoRecorder/Ravelplay.dll
VeltoRecorder/Renovo.dll
VeltoRecorder/Updater.exe
VeltoRecorder/VeltoRecorder.exe
VeltoRecorder/WmAudSDK.dll
VeltoRecorder/aboutvelto.bmp
VeltoRecorder/lame_enc.dll
VeltoRecorder/velto_banner2.bmp"

# What a folder holds, folders with a trailing slash, in the order of `sort`.
listing() {
  (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \( -type f -printf '%P\n' \) |
    LC_ALL=C sort)
}

status=0
expect_listing() {  # WHAT ACTUAL
  if [ "$2" != "$(LC_ALL=C sort <<<"$expected")" ]; then
    echo "$1 holds:"; echo "$2" | sed 's/^/  /'
    echo "expected:"; echo "$expected" | sed 's/^/  /'
    status=1
  fi
}
for zip in "$x64_zip" "$x86_zip"; do
  expect_listing "$(basename "$zip")" "$(unzip -Z1 "$zip" | LC_ALL=C sort)"
done
expect_listing "the unzipped x64 folder" "$(listing "$x64_dir")"
expect_listing "the unzipped x86 folder" "$(listing "$x86_dir")"

# The machine field of the PE header: 0x8664 (x86-64) or 0x14c (i386).
pe_machine() {
  local offset signature
  offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  signature=$(od -An -t x4 -j "$offset" -N 4 "$1" | tr -d ' ')
  [ "$signature" = 00004550 ] || { echo "no PE header"; return; }
  printf '0x%x\n' "$((16#$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')))"
}
for pair in "$x64_dir:0x8664" "$x86_dir:0x14c"; do
  dir=${pair%:*}; want=${pair##*:}
  while IFS= read -r -d '' pe; do
    got=$(pe_machine "$pe")
    if [ "$got" != "$want" ]; then
      echo "${pe#"$work"/}: machine $got, expected $want"; status=1
    fi
  done < <(find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
done
[ $status -eq 0 ] && echo "both packages hold exactly the installation, each of its own architecture"

# The Windows side finds the unzipped folders by their names under this root.
export VELTO_PACKAGE_ROOT="Z:${work//\//\\}"
export VELTO_PACKAGE_VERSION=$VELTO_VERSION
"$WINE" "$VELTO_BIN/package_test.exe" || status=1

# Running the program (of this build's architecture) left the folder as it was unzipped (the
# test removes its Renovo.ini).
own_dir=$x64_dir
[ "$(pe_machine "$VELTO_BIN/package_test.exe")" = 0x14c ] && own_dir=$x86_dir
expect_listing "the folder after the starts" "$(listing "$own_dir")"
exit $status
