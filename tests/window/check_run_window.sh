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
source "$here/local_http.sh"

http_server_start
base=$BASE

xvfb_start
app_start "$1"
read -r ox oy < <(window_origin)

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
close_expecting_exit "during a request"
echo "check run window: typed names sorted into 2 taken and 1 available; closing during a request ends the program"
