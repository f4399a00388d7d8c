#!/usr/bin/env bash
# Writes an update list for Renovo.dll to standard output.
#   make-update-list.sh VERSION FOLDER
# FOLDER holds the files of the new version laid out as in the program folder (for example
# VeltoRecorder.exe, Renovo.dll, Plugins/out_wave.dll). Every file is listed with its SHA-256
# and an address relative to the list, so the folder and the list are published side by side:
#   https://www.dovrane.co.kr/update/veltorecorder.txt
#   https://www.dovrane.co.kr/update/VeltoRecorder.exe ...
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 VERSION FOLDER" >&2; exit 2; }
version=$1 folder=$2
[[ $version =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] || { echo "version must be dotted numbers: $version" >&2; exit 2; }
echo "# VeltoRecorder $version, made $(date -u +%Y-%m-%dT%H:%MZ)"
echo "version $version"
(cd "$folder" && find . -type f ! -name '*.renovo-*' ! -iname 'RenovoCopy.dll' | sed 's#^\./##' | LC_ALL=C sort) |
while IFS= read -r path; do
  hash=$(sha256sum "$folder/$path" | cut -d' ' -f1)
  # Spaces in a web address are written %20; the path keeps them (it is the rest of the line).
  echo "file $hash ${path// /%20} $path"
done
