#!/usr/bin/env bash
# Builds the LAME MP3 encoder library (Debian's lame 3.100 source package) as a static
# libmp3lame with MinGW for one architecture and installs it into the cache. Rebuilt only when
# the stamp is missing. outside/lame_enc links it into our lame_enc.dll.
# Usage: build-lame.sh x86_64|i686      Prints the install prefix.
set -euo pipefail
arch=$1
here=$(cd "$(dirname "$0")" && pwd)
cache=${VELTO_CACHE:-$HOME/.cache/veltorecorder}
recipe=2   # bump when the options below change
prefix=$cache/lame-3.100-$arch-r$recipe
if [ -f "$prefix/.done" ]; then echo "$prefix"; exit 0; fi

src=$("$here/fetch-source.sh" lame 3.100)
work=$cache/work/lame-$arch-r$recipe
rm -rf "$work" && mkdir -p "$work"
(
  cd "$work"
  # configure leaves CFLAGS empty when cross-compiling, which builds LAME without any
  # optimisation (about three times slower); give it the flags Debian's own build gets.
  # The 32-bit build assumes SSE2 like the rest of the program (cmake/mingw-i686.cmake): with
  # only -O3, i686 LAME computes on the x87 unit, leaves out its SSE code (the intrinsics do
  # not compile without -msse) and encodes at about half the 64-bit speed. MIN_ARCH_SSE lets
  # it take that code without a run-time check; the MP3 comes out byte for byte as the 64-bit
  # build's.
  cflags="-O3" cppflags=
  if [ "$arch" = i686 ]; then
    cflags="-O3 -msse2 -mfpmath=sse -mstackrealign" cppflags="-DMIN_ARCH_SSE"
  fi
  CFLAGS="$cflags" CPPFLAGS="$cppflags" "$src/configure" --prefix="$prefix" --host="$arch-w64-mingw32" \
    --disable-frontend --disable-decoder --enable-static --disable-shared \
    --disable-dependency-tracking >&2
  make -j"$(nproc)" >&2
  make install >&2
)
rm -rf "$work"
touch "$prefix/.done"
echo "$prefix"
