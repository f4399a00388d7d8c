#!/usr/bin/env bash
# Writes a signed update list for Renovo.dll to standard output.
#   make-update-list.sh --key SIGNING-KEY.pem VERSION FOLDER
# FOLDER holds the files of the new version laid out as in the program folder (for example
# VeltoRecorder.exe, Renovo.dll, Plugins/out_wave.dll). Every file is listed with its SHA-256
# and an address relative to the list, so the folder and the list are published side by side:
#   https://www.dovrane.co.kr/update/veltorecorder.txt
#   https://www.dovrane.co.kr/update/VeltoRecorder.exe ...
# The last line signs every byte before it with SIGNING-KEY (an ECDSA P-256 private key in
# PEM; the passphrase of an encrypted one is asked for). Renovo.dll uses the list only when
# that signature was made with the key whose public half it was built with
# (docs/publishing.md, which also says how to make the key).
set -euo pipefail
usage() { echo "usage: $0 --key SIGNING-KEY.pem VERSION FOLDER" >&2; exit 2; }
fail() { echo "$0: $*" >&2; exit 1; }
[ $# -eq 4 ] && [ "$1" = --key ] || usage
key=$2 version=$3 folder=$4
[[ $version =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] || { echo "version must be dotted numbers: $version" >&2; exit 2; }
[ -r "$key" ] || fail "cannot read the signing key $key"
[ -d "$folder" ] || fail "no folder $folder"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An encrypted key's passphrase is asked for once and handed to each openssl on descriptor 3.
passphrase= passin=()
if grep -q ENCRYPTED "$key"; then
  read -rsp "passphrase for $key: " passphrase </dev/tty || fail "no passphrase"
  echo >&2
  passin=(-passin fd:3)
fi

# The DER of a P-256 SubjectPublicKeyInfo up to the public point's X and Y.
p256_prefix=3059301306072a8648ce3d020106082a8648ce3d03010703420004
openssl pkey -in "$key" "${passin[@]}" -pubout -outform DER -out "$work/public.der" 3<<<"$passphrase" ||
  fail "cannot read the signing key $key"
public_hex=$(od -An -v -tx1 "$work/public.der" | tr -d ' \n')
[ "${public_hex#"$p256_prefix"}" != "$public_hex" ] && [ ${#public_hex} -eq $((${#p256_prefix} + 128)) ] ||
  fail "$key is not an ECDSA P-256 (prime256v1) key"
key_id=$(sha256sum "$work/public.der" | cut -c1-16)
test_key=$(dirname "$0")/keys/test-only-update-key.pub.pem
if [ -r "$test_key" ] && openssl pkey -pubin -in "$test_key" -outform DER | cmp -s - "$work/public.der"; then
  echo "$0: signing with the project's TEST key: only test builds accept this list" >&2
fi

{
  echo "# VeltoRecorder $version, made $(date -u +%Y-%m-%dT%H:%MZ)"
  echo "version $version"
  (cd "$folder" && find . -type f ! -name '*.renovo-*' ! -iname 'RenovoCopy.dll' | sed 's#^\./##' | LC_ALL=C sort) |
  while IFS= read -r path; do
    hash=$(sha256sum "$folder/$path" | cut -d' ' -f1)
    # Spaces in a web address are written %20; the path keeps them (it is the rest of the line).
    echo "file $hash ${path// /%20} $path"
  done
} >"$work/list"

openssl dgst -sha256 -sign "$key" "${passin[@]}" -out "$work/signature.der" "$work/list" \
  3<<<"$passphrase" || fail "signing failed"
openssl dgst -sha256 -verify "$work/public.der" -keyform DER -signature "$work/signature.der" \
  "$work/list" >/dev/null || fail "the signature just made does not verify"

# openssl writes the signature as DER, SEQUENCE { INTEGER r, INTEGER s }; the list carries r
# and s as 32 bytes each. asn1parse prints each integer's value in hex without the sign byte
# DER may put in front; a value can also be shorter than 32 bytes and is padded with zeros.
fields=()
while IFS= read -r line; do fields+=("$line"); done < <(openssl asn1parse -inform DER -in "$work/signature.der")
[ ${#fields[@]} -eq 3 ] && [[ ${fields[0]} == *"d=0"*"cons: SEQUENCE"* ]] ||
  fail "unexpected signature: ${fields[*]}"
raw=
for field in "${fields[@]:1}"; do
  [[ $field =~ d=1.*prim:\ INTEGER\ +:([0-9A-F]+)$ ]] || fail "unexpected signature field: $field"
  value=${BASH_REMATCH[1]}
  while [ "${value:0:1}" = 0 ] && [ ${#value} -gt 1 ]; do value=${value:1}; done
  [ ${#value} -le 64 ] || fail "signature value too long: $value"
  raw+=$(printf '%64s' "$value" | tr ' A-F' '0a-f')
done

cat "$work/list"
echo "signature $key_id $raw"
