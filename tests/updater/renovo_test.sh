#!/usr/bin/env bash
# Runs renovo_test.exe against local servers on 127.0.0.1: a web server that publishes what the
# test writes into its folder, a server that accepts connections and never answers, and a
# port where nothing listens. The servers are Linux programs; they end with this script.
set -euo pipefail
: "${VELTO_BIN:?}" "${WINE:?}"
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/www"
# A proxy from the environment must not stand between the test and 127.0.0.1.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/www" >"$work/http.log" 2>&1 &
pids+=($!)
python3 -u - >"$work/silent.log" 2>&1 <<'PY' &
import socket, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(16)
print(s.getsockname()[1], flush=True)
time.sleep(3600)
PY
pids+=($!)
# A server that answers 200 and then sends without end: an oversized body.
python3 -u - >"$work/endless.log" 2>&1 <<'PY' &
import socket, threading
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0))
s.listen(16)
print(s.getsockname()[1], flush=True)
chunk = b"# " + b"x" * 65533 + b"\n"
def serve(c):
    try:
        c.recv(65536)
        c.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n")
        while True:
            c.sendall(chunk)
    except OSError:
        pass
    finally:
        c.close()
while True:
    c, _ = s.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
PY
pids+=($!)
closed_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')

http_port= silent_port= endless_port=
for _ in $(seq 100); do
  http_port=$(sed -n 's/.*Serving HTTP on [0-9.]* port \([0-9]*\).*/\1/p' "$work/http.log" | head -n1)
  silent_port=$(head -n1 "$work/silent.log" 2>/dev/null || true)
  endless_port=$(head -n1 "$work/endless.log" 2>/dev/null || true)
  [ -n "$http_port" ] && [ -n "$silent_port" ] && [ -n "$endless_port" ] && break
  sleep 0.1
done
[ -n "$http_port" ] && [ -n "$silent_port" ] && [ -n "$endless_port" ] ||
  { echo "servers did not start"; cat "$work"/*.log; exit 1; }

# Publications made the documented way, signed with the project's test key: the files and,
# beside them, the list the script writes (into FOLDER/veltorecorder.txt).
publish() {  # VERSION FOLDER
  "$VELTO_SOURCE/outside/renovo/make-update-list.sh" \
    --key "$VELTO_SOURCE/outside/renovo/keys/test-only-update-signing-key.pem" "$1" "$2" \
    >"$work/list.txt" 2>"$work/publish.log" || { cat "$work/publish.log"; exit 1; }
  mv "$work/list.txt" "$2/veltorecorder.txt"
}
mkdir -p "$work/www/pub/Plugins"
printf 'published notes\r\n' >"$work/www/pub/notes.txt"
head -c 70000 /dev/urandom >"$work/www/pub/Plugins/in_extra.dll"
publish 9.1 "$work/www/pub"
# The installed version and an older one, correctly signed: they must change nothing.
for version in 1.02 1.01; do
  mkdir "$work/www/pub-$version"
  printf 'notes of %s\r\n' "$version" >"$work/www/pub-$version/notes.txt"
  publish "$version" "$work/www/pub-$version"
done
# About one signature in 128 has an r or s shorter than 32 bytes, which the script must pad:
# publish until one has.
mkdir "$work/www/pub-short"
printf 'notes with a short signature\r\n' >"$work/www/pub-short/notes.txt"
for try in $(seq 1500); do
  publish 9.2 "$work/www/pub-short"
  rs=$(tail -n1 "$work/www/pub-short/veltorecorder.txt" | cut -d' ' -f3)
  [ "${rs:0:2}" != 00 ] && [ "${rs:64:2}" != 00 ] || break
  rm "$work/www/pub-short/veltorecorder.txt"
done
[ -f "$work/www/pub-short/veltorecorder.txt" ] || { echo "no short r or s in $try signatures"; exit 1; }
echo "a signature with a short r or s after $try tries"

export VELTO_HTTP_PORT=$http_port VELTO_SILENT_PORT=$silent_port VELTO_CLOSED_PORT=$closed_port
export VELTO_ENDLESS_PORT=$endless_port
export VELTO_HTTP_ROOT="Z:${work//\//\\}\\www"
"$WINE" "$VELTO_BIN/renovo_test.exe" "$@"
