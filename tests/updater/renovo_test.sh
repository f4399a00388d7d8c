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

# A publication made the documented way: the files and, beside them, the list the script writes.
mkdir -p "$work/www/pub/Plugins"
printf 'published notes\r\n' >"$work/www/pub/notes.txt"
head -c 70000 /dev/urandom >"$work/www/pub/Plugins/in_extra.dll"
"$VELTO_SOURCE/outside/renovo/make-update-list.sh" 9.1 "$work/www/pub" >"$work/list.txt"
mv "$work/list.txt" "$work/www/pub/veltorecorder.txt"

export VELTO_HTTP_PORT=$http_port VELTO_SILENT_PORT=$silent_port VELTO_CLOSED_PORT=$closed_port
export VELTO_ENDLESS_PORT=$endless_port
export VELTO_HTTP_ROOT="Z:${work//\//\\}\\www"
"$WINE" "$VELTO_BIN/renovo_test.exe" "$@"
