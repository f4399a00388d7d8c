#!/usr/bin/env bash
# Builds a minimal static FFmpeg (Debian's ffmpeg 5.1 source package) with MinGW for one
# architecture and installs it into the cache. Rebuilt only when the stamp is missing.
# It carries what our Windows components need: the wmav2 encoder and ASF muxer (WmAudSDK.dll)
# and the MP3/WMA/PCM decoders and demuxers (the input plug-ins), plus libswresample.
# Usage: build-ffmpeg.sh x86_64|i686      Prints the install prefix.
set -euo pipefail
arch=$1
here=$(cd "$(dirname "$0")" && pwd)
cache=${VELTO_CACHE:-$HOME/.cache/veltorecorder}
recipe=3   # bump when the options below change
prefix=$cache/ffmpeg-5.1-$arch-r$recipe
if [ -f "$prefix/.done" ]; then echo "$prefix"; exit 0; fi

src=$("$here/fetch-source.sh" ffmpeg 5.1)
work=$cache/work/ffmpeg-$arch-r$recipe
rm -rf "$work" && mkdir -p "$work"
asm=--disable-x86asm
command -v nasm >/dev/null && asm=
(
  cd "$work"
  "$src/configure" --prefix="$prefix" \
    --target-os=mingw32 --arch="$arch" --cross-prefix="$arch-w64-mingw32-" \
    --cc="$arch-w64-mingw32-gcc-posix" --cxx="$arch-w64-mingw32-g++-posix" \
    --enable-static --disable-shared --disable-debug --disable-doc \
    --disable-programs --disable-network --disable-autodetect \
    --disable-everything --disable-avdevice --disable-avfilter --disable-swscale --disable-postproc \
    --enable-w32threads $asm \
    --enable-decoder=mp3,mp3float,mp2,mp2float,wmav1,wmav2,pcm_s16le,pcm_u8,pcm_s24le,pcm_s32le \
    --enable-demuxer=mp3,asf,wav \
    --enable-parser=mpegaudio \
    --enable-encoder=wmav2 --enable-muxer=asf \
    --enable-protocol=file \
    --enable-swresample >&2
  make -j"$(nproc)" >&2
  make install >&2
)
rm -rf "$work"
touch "$prefix/.done"
echo "$prefix"
