#!/usr/bin/env bash
# List files in the real window: a list file with mixed line ends loaded
# through the open dialog (its path typed into the name field), a check run
# over its names, the taken list saved through the save dialog, and the saved
# bytes compared; a second save to the same name answered No leaves them.
# Then the keyboard: Tab to a button and Enter or keypad Enter presses it.
# The names point at a small HTTP server of the test's own on 127.0.0.1.
# Usage: list_files_window.sh PROGRAM ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"
source "$here/text_rows.sh"
source "$here/local_http.sh"

http_server_start
base=$BASE

work="$ARTEFACTS/files"
rm -rf "$work"
mkdir -p "$work"
printf '%s\r\n%s\n%s\r' "$base/here" "$base/missing" "$base/" >"$work/names.txt"
printf '%s\r\n%s\r\n' "$base/here" "$base/" >"$work/expected"

xvfb_start
app_start "$1"
read -r ox oy < <(window_origin)

pending_rows() { text_rows "$1" $((ox + 12)) $((oy + 30)) 300 80; }
taken_rows() { text_rows "$1" $((ox + 276)) $((oy + 247)) 240 98; }
available_rows() { text_rows "$1" $((ox + 12)) $((oy + 247)) 240 98; }

xdotool mousemove 0 0
click_at 400 132   # "Load Domains From File"
in_dialog '^Load List\(s\) - Hold Ctrl' "$work/names.txt"
sleep 0.5
loaded=$(screenshot loaded)
rows=$(pending_rows "$loaded")
[[ "$rows" == 3 ]] || fail "the pending list shows $rows rows after the load, not 3"

xdotool mousemove 0 0
click_at 268 200   # "Start Checking"
sleep 1
checked=$(screenshot checked)
[[ $(taken_rows "$checked") == 2 ]] || fail "the taken list shows $(taken_rows "$checked") rows, not 2"
[[ $(available_rows "$checked") == 1 ]] || fail "the available list shows $(available_rows "$checked") rows, not 1"

xdotool mousemove 0 0
click_at 400 369   # the taken list's "Save List"
in_dialog '^Save$' "$work/taken"
for _ in $(seq 30); do [[ -e "$work/taken" ]] && break; sleep 0.1; done
sleep 0.3
cmp "$work/taken" "$work/expected" || fail "the saved taken list differs: $(od -c "$work/taken" | head)"
[[ ! -e "$work/taken.txt" ]] || fail "the save dialog added an extension"

# Saving again under the same name asks first; No (Escape) keeps the file.
printf 'kept\r\n' >"$work/taken"
xdotool mousemove 0 0
click_at 400 369
in_dialog '^Save$' "$work/taken"
question=$(wait_window '^Quillmere$')
screenshot overwrite-question >/dev/null
xdotool windowfocus --sync "$question"
xdotool key Escape
sleep 0.5
[[ $(cat "$work/taken") == $'kept\r' ]] || fail "answering No changed the file"
[[ -z $(find "$work" -name 'taken?*') ]] || fail "a save left files behind: $(ls "$work")"

# Focus is back on the taken list's "Save List"; Tab goes on to its "Clear
# List", then to "Load Sample/Example Data".
focus_window "$WINDOW_ID"
xdotool key Tab Return
sleep 0.5
cleared=$(screenshot enter-cleared)
[[ $(taken_rows "$cleared") == 0 ]] || fail "Enter on \"Clear List\" left $(taken_rows "$cleared") rows in the taken list"
xdotool key Tab KP_Enter
sleep 0.5
samples=$(screenshot keypad-enter-samples)
rows=$(pending_rows "$samples")
(( rows > 3 )) || fail "keypad Enter on \"Load Sample/Example Data\" left the pending list at $rows rows"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
echo "list files window: a typed list file loaded, checked, the taken list saved byte for byte, No kept the file, Enter and keypad Enter pressed the focused buttons"
