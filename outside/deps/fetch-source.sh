#!/usr/bin/env bash
# Fetches a Debian source package (bookworm) into the cache and prints the unpacked folder.
# Usage: fetch-source.sh PACKAGE VERSION-PREFIX
set -euo pipefail
pkg=$1; want=$2
cache=${VELTO_CACHE:-$HOME/.cache/veltorecorder}
src=$cache/src
mkdir -p "$src"
existing=$(find "$src" -maxdepth 1 -type d -name "$pkg-$want*" | head -n1)
if [ -n "$existing" ]; then echo "$existing"; exit 0; fi

# apt needs a deb-src entry for bookworm main; add ours once.
list=/etc/apt/sources.list.d/veltorecorder-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list 2>/dev/null; then
  cat > "$list" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -qq >&2
fi
command -v dpkg-source >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq dpkg-dev >&2
(cd "$src" && apt-get source -qq --download-only "$pkg" >&2 && \
  dsc=$(ls -t "$pkg"_*.dsc | head -n1) && dpkg-source -x --no-check "$dsc" >&2)
find "$src" -maxdepth 1 -type d -name "$pkg-$want*" | head -n1
