# Starts the tests' small HTTP server (http_server.py) and sets BASE to its
# address; it is stopped with the rest on exit. Source after xvfb_lib.sh.

SERVER_PID=""
trap '[[ -n "$SERVER_PID" ]] && kill "$SERVER_PID" 2>/dev/null; cleanup' EXIT

http_server_start() {
  local port_file="$ARTEFACTS/port"
  rm -f "$port_file"
  python3 "$(dirname "${BASH_SOURCE[0]}")/http_server.py" "$port_file" 2>"$ARTEFACTS/server.log" &
  SERVER_PID=$!
  for _ in $(seq 50); do [[ -s "$port_file" ]] && break; sleep 0.1; done
  [[ -s "$port_file" ]] || fail "the test's HTTP server did not start"
  BASE="http://127.0.0.1:$(cat "$port_file")"
}
