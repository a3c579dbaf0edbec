#!/usr/bin/env bash
# A check run in the real window: names typed through "Add Domain", "Start
# Checking", the results in the taken and the available list; then a run
# whose request hangs, during which closing the window ends the program.
# The names point at a small HTTP server of the test's own on 127.0.0.1.
# Usage: check_run_window.sh PROGRAM ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"
source "$here/text_rows.sh"

SERVER_PID=""
trap '[[ -n "$SERVER_PID" ]] && kill "$SERVER_PID" 2>/dev/null; cleanup' EXIT

# "/" and "/here" are taken, "/slow" answers after a long while, the rest is 404 Not Found.
cat >"$ARTEFACTS/server.py" <<'PY'
import http.server, sys, time

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/slow":
            time.sleep(60)
        self.send_response(200 if self.path in ("/", "/here") else 404)
        self.send_header("Content-Length", "0")
        self.end_headers()

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
PY
rm -f "$ARTEFACTS/port"
python3 "$ARTEFACTS/server.py" "$ARTEFACTS/port" 2>"$ARTEFACTS/server.log" &
SERVER_PID=$!
for _ in $(seq 50); do [[ -s "$ARTEFACTS/port" ]] && break; sleep 0.1; done
[[ -s "$ARTEFACTS/port" ]] || fail "the test's HTTP server did not start"
base="http://127.0.0.1:$(cat "$ARTEFACTS/port")"

xvfb_start
app_start "$1"
read -r ox oy < <(window_origin)

# add_domain NAME: "Add Domain", the name typed into the input box (titled
# with the application title), Return.
add_domain() {
  local dialog
  # click_at's --sync waits for the pointer to move: start from elsewhere.
  xdotool mousemove 0 0
  click_at 136 132
  dialog=$(wait_window '^Quillmere$')
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 5 "$1"
  xdotool key Return
  for _ in $(seq 50); do
    xwininfo -id "$dialog" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.1
  done
  fail "the input box did not close"
}

# Rows of the lists, below their headers: taken at x 272, available at x 8, y 221..350.
taken_rows() { text_rows "$1" $((ox + 276)) $((oy + 247)) 240 98; }
available_rows() { text_rows "$1" $((ox + 12)) $((oy + 247)) 240 98; }

add_domain "$base/"
add_domain "$base/missing"
add_domain "$base/here"
typed=$(screenshot names-typed)
rows=$(text_rows "$typed" $((ox + 12)) $((oy + 30)) 300 80)
[[ "$rows" == 3 ]] || fail "the pending list shows $rows rows after three names were typed"
[[ $(taken_rows "$typed") == 0 && $(available_rows "$typed") == 0 ]] || fail "results before any run"

click_at 268 200   # "Start Checking"
sleep 1
done_shot=$(screenshot run-done)
taken=$(taken_rows "$done_shot")
available=$(available_rows "$done_shot")
[[ "$taken" == 2 ]] || fail "the taken list shows $taken rows, not 2"
[[ "$available" == 1 ]] || fail "the available list shows $available rows, not 1"
rows=$(text_rows "$done_shot" $((ox + 12)) $((oy + 30)) 300 80)
[[ "$rows" == 3 ]] || fail "the pending list shows $rows rows after the run, not 3"

# A run that waits on a hanging request still lets the window close, at once.
add_domain "$base/slow"
xdotool mousemove 0 0
click_at 268 200
sleep 1.5
screenshot run-waiting >/dev/null
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended during the run"
python3 "$here/close_window.py" "$WINDOW_ID"
for _ in $(seq 30); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the program still runs 3 s after its window was closed during a request"
wait "$APP_PID"; status=$?
APP_PID=""
[[ $status == 0 ]] || fail "the program ended with status $status"
echo "check run window: typed names sorted into 2 taken and 1 available; closing during a request ends the program"
