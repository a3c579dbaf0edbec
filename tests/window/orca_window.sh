#!/usr/bin/env bash
# What Orca, Debian's screen reader, speaks over the pending list, key by
# key, on lists of 1, 3 and 1,000 names: each key must make it say the row's
# name and its place, "i of N". The same keys over Qt's own QTreeView on the
# same names (REFERENCE) give the reference lines; the checks the stock view
# passes must pass there too, or the test itself does not hear. Then what it
# says of what the program did: two names added, a check run of them against
# a local server with one slow reply, a save and a load of 1,000 names.
# Orca runs as users have it (braille on, no display), with "speak position"
# on, and a speech server that only writes Orca's debug log.
# Writes ARTEFACT_DIR/spoken.txt: each check, what Orca said over each view.
# Usage: orca_window.sh PROGRAM REFERENCE ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
program=$1
reference=$2
export ARTEFACTS=$3
source "$here/xvfb_lib.sh"
source "$here/session_bus.sh"
source "$here/local_http.sh"

if ! command -v orca >/dev/null; then
  [[ "${CI:-}" == true ]] && fail "orca is not installed (scripts/install-deps --test installs it)"
  echo "SKIP: orca is not installed (scripts/install-deps --test installs it)"
  exit 77
fi

WM_PID=""
ORCA_PID=""
prefs=$(mktemp -d)
stop_orca() {
  [[ -n "$ORCA_PID" ]] || return 0
  kill "$ORCA_PID" 2>/dev/null || true
  for _ in $(seq 30); do kill -0 "$ORCA_PID" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$ORCA_PID" 2>/dev/null || true
  wait "$ORCA_PID" 2>/dev/null || true
  ORCA_PID=""
}
trap 'stop_orca; [[ -n "$WM_PID" ]] && kill "$WM_PID" 2>/dev/null; [[ -n "$SERVER_PID" ]] && kill "$SERVER_PID" 2>/dev/null
      cleanup; session_bus_stop; rm -rf "$prefs"' EXIT

# Orca runs once per user: one started while another runs ends at once.
exec 8>"${TMPDIR:-/tmp}/quillmere-orca.lock"
flock -w 600 8 || fail "another Orca test held its lock for 10 minutes"

xvfb_start
session_bus_start
# The manager gives each new window the keyboard, as on a desktop.
openbox_start

log="$ARTEFACTS/orca-debug.log"
cp "$here/orca/user-settings.conf" "$here/orca/quill_speech_log.py" "$prefs/"
# Orca 49 and later read GSettings instead (and have no -u): the same
# settings through GLib's keyfile backend, in a folder of the test's own.
mkdir -p "$prefs/config/glib-2.0/settings"
cp "$here/orca/settings.keyfile" "$prefs/config/glib-2.0/settings/keyfile"

# What Orca said after byte OFFSET of its log, an utterance a line.
spoken_since() {
  # The text's quotes are followed by the voice, if not the default, and
  # the voice's settings, which hold quotes of their own.
  tail -c +$(($1 + 1)) "$log" 2>/dev/null |
    perl -ne "print \"\$1\n\" if /SPEECH OUTPUT: '(.*)'(?: voice=\S+)? ?(?:\{.*\})?\s*\$/"
}
# Waits until Orca's log has not grown for 0.4 s (3 s at most).
settle() {
  local size last=-1 still=0
  for _ in $(seq 30); do
    size=$(stat -c %s "$log")
    if [[ $size == "$last" ]]; then ((++still < 4)) || return 0; else still=0; fi
    last=$size
    sleep 0.1
  done
}

# Starts Orca once no other Orca of this user runs (one of a session
# elsewhere, which no lock of ours holds back, ends it at start-up), and
# waits until it says it is ready.
start_orca() {
  for _ in $(seq 60); do
    while pgrep -u "$(id -u)" -x orca >/dev/null; do
      ((SECONDS < 600)) || fail "another Orca of this user has run for 10 minutes: $(pgrep -a -u "$(id -u)" -x orca)"
      sleep 1
    done
    GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$prefs/config" \
      orca -u "$prefs" --debug-file "$log" >"$ARTEFACTS/orca.log" 2>&1 &
    ORCA_PID=$!
    for _ in $(seq 300); do
      spoken_since 0 | grep -qx 'Screen reader on.' && return 0
      kill -0 "$ORCA_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$ORCA_PID" 2>/dev/null && fail "Orca did not say 'Screen reader on.' within 30 s"
    grep -q 'Another screen reader process' "$ARTEFACTS/orca.log" ||
      fail "Orca ended at start-up: $(tail -n 20 "$ARTEFACTS/orca.log")"
    ORCA_PID=""
  done
  fail "Orca met another of this user at each of 60 starts"
}
start_orca

# The names, as list files: CR LF after each (a lone LF would add an empty
# name). Of 1,000, each block of 100 begins with a letter of its own, so
# that a letter typed jumps to its block's first row.
solo="$ARTEFACTS/names-1.txt"
three="$ARTEFACTS/names-3.txt"
thousand="$ARTEFACTS/names-1000.txt"
printf '%s\r\n' www.solitary.example >"$solo"
printf '%s\r\n' www.tavrelle.com www.qorvintaxuplem.com www.zk4v9qx7m2trw8.com >"$three"   # the sample data
awk 'BEGIN { for (i = 1; i <= 1000; ++i) printf "%c-row%04d.example\r\n", 97 + int((i - 1) / 100), i }' >"$thousand"

results=""   # the file the checks of the view under test are written to
names=()     # the names of the list under test, names[r] on line r
# hear LABEL KEY FIRST LAST TOTAL [SHIFT]: presses KEY and waits (4 s at
# most) for Orca to say, for a row r in FIRST..LAST, names[r + SHIFT] and
# "r of TOTAL". Writes LABEL, ok or -, and what Orca said.
hear() {
  local from heard="" row ok=-
  settle
  from=$(stat -c %s "$log")
  xdotool key "$2"
  for _ in $(seq 40); do
    sleep 0.1
    heard=$(spoken_since "$from")
    for ((row = $3; row <= $4; ++row)); do
      if [[ $heard == *"${names[row + ${6:-0}]}"* && $heard =~ (^|[^0-9])"$row of $5"([^0-9]|$) ]]; then
        ok=ok
        break 2
      fi
    done
  done
  [[ $ok == ok ]] && { sleep 0.3; heard=$(spoken_since "$from"); }
  heard=$(paste -sd'|' <<<"$heard")
  printf '%s\t%s\t%s\n' "$1" "$ok" "${heard:-(nothing)}" >>"$results"
}

# keys N: the keys of one list of N names, its first row current on arrival.
# Checks whose label ends in "*" are ones the stock view fails too.
keys() {
  local n=$1 page_low=$(($1 > 22 ? $1 - 20 : 1)) page_high=$(($1 > 22 ? $1 - 2 : 1))
  hear "$n: Shift+Tab arrival *" shift+Tab 1 1 "$n"
  hear "$n: Home on row 1 *" Home 1 1 "$n"
  local stock=""
  [[ $n == 1 ]] && stock=" *"   # a one-row list: nothing moves, nothing is said
  hear "$n: Down$stock" Down "$((n > 1 ? 2 : 1))" "$((n > 1 ? 2 : 1))" "$n"
  hear "$n: Up$stock" Up 1 1 "$n"
  hear "$n: End$stock" End "$n" "$n" "$n"
  hear "$n: Page_Up$stock" Page_Up "$page_low" "$page_high" "$n"
  hear "$n: Page_Down$stock" Page_Down "$page_low" "$n" "$n"
  hear "$n: Home$stock" Home 1 1 "$n"
  case $n in
    1) hear "1: type-ahead w *" w 1 1 1 ;;
    3) hear "3: type-ahead w" w 2 2 3 ;;
    1000) hear "1000: type-ahead f" f 501 501 1000 ;;
  esac
  local at=$((n == 1000 ? 501 : n == 3 ? 2 : 1))
  hear "$n: KP_Enter (where am I)$stock" KP_Enter "$at" "$at" "$n"
  # The row after takes the removed one's place. The stock view says its
  # name alone: the row that had the focus is gone, so Orca presents the new
  # one as if arriving.
  [[ $n -gt 1 ]] && hear "$n: Delete *" Delete "$at" "$at" "$((n - 1))" 1
  return 0
}

# choose_file TITLE PATH: the file dialog of that title, the path put in its
# name field, Return. The path is put in the field, not typed: once the
# field's completer has been up, the window the dialog leaves is at times
# active on the screen but never said to be so on the accessibility bus, and
# Orca then follows no window at all.
choose_file() {
  local dialog pattern=${1//(/\\(}
  dialog=$(wait_window "^${pattern//)/\\)}\$")
  timeout 30 /usr/bin/python3 "$here/atspi_tree.py" "$APP_PID" fill "$1" "$2"
  xdotool key Return
  wait_gone "$dialog" "the $1 dialog"
}
# program_list FILE: the program, the names in its pending list through its
# own commands, then the keyboard in the empty list beside it.
program_list() {
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb app_start "$program"
  settle
  if [[ $1 == "$three" ]]; then
    click_at 400 167   # "Load Sample/Example Data"
  else
    click_at 400 132   # "Load Domains From File"
    choose_file 'Load List(s) - Hold Ctrl to select multiple list files' "$1"
  fi
  click_at 400 280     # the empty "Available Domain(s)" list
}
# reference_list FILE: the reference over the names, the keyboard on the
# button that comes after the list.
reference_list() {
  BROWSER=true QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$reference" "$1" \
    >"$ARTEFACTS/app.log" 2>&1 &
  APP_PID=$!
  WINDOW_ID=$(wait_window '^Stock List Reference$')
  focus_window "$WINDOW_ID"
}

# run VIEW START: each list under the view that START opens.
run() {
  results="$ARTEFACTS/heard-$1.txt"
  : >"$results"
  for file in "$solo" "$three" "$thousand"; do
    names=()
    mapfile -t -O 1 names < <(tr -d '\r' <"$file")
    "$2" "$file"
    keys "${#names[@]}"
    kill "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null || true
    APP_PID=""
  done
}
# told LABEL FROM SECONDS TEXT...: waits (SECONDS at most) until Orca has
# said each TEXT after byte FROM of its log. Writes LABEL, ok or -, and what
# Orca said.
told() {
  local label=$1 from=$2 bound=$3 heard="" text ok
  shift 3
  for _ in $(seq $((bound * 10))); do
    heard=$(spoken_since "$from")
    ok=ok
    for text in "$@"; do grep -qF -- "$text" <<<"$heard" || ok=-; done
    [[ $ok == ok ]] && break
    sleep 0.1
  done
  printf '%s\t%s\t%s\n' "$label" "$ok" "$(paste -sd'|' <<<"${heard:-(nothing)}")" >>"$ARTEFACTS/heard-outcomes.txt"
}
# forgotten_if_dead FROM: Orca 48 keeps the objects it found gone by their
# address, for up to a minute, and the window of a program started just
# after another quit can get an address the old window had: Orca then
# ignores the new window, and all said in it, until that minute ends. When
# the window's activation after byte FROM of the log met that, waits until
# Orca has forgotten. A user restarting the program within the minute meets
# it too; Orca 43 keeps no such list, and Orca 51 asks the object again
# before it ignores an event of it.
forgotten_if_dead() {
  tail -c +$(($1 + 1)) "$log" | grep -q 'window:activate for \[DEAD\]' || return 0
  local mark
  mark=$(stat -c %s "$log")
  echo "(Orca took the new window for the old one, gone; waiting until it forgets)"
  for _ in $(seq 700); do
    tail -c +$((mark + 1)) "$log" | grep -q 'AXObject: Clearing local cache' && return 0
    sleep 0.1
  done
  fail "Orca did not clear its list of objects gone within 70 s"
}
# outcomes: what the program tells of what it did, each in its own words.
outcomes() {
  : >"$ARTEFACTS/heard-outcomes.txt"
  local from name
  from=$(stat -c %s "$log")
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb app_start "$program"
  settle
  forgotten_if_dead "$from"
  for name in "$BASE/late" "$BASE/missing"; do
    settle
    from=$(stat -c %s "$log")
    add_domain "$name"
    told "an addition" "$from" 20 "$name added to the pending list"
  done
  settle
  from=$(stat -c %s "$log")
  xdotool mousemove 0 0
  click_at 268 200   # "Start Checking"; the first name's reply takes 6 s
  told "a check run" "$from" 40 "Checking 2 names" "0 of 2 checked" "Check done: 1 taken, 1 available"
  settle
  from=$(stat -c %s "$log")
  click_at 400 369   # the taken list's "Save List"; a new file, so that no question comes
  rm -f "$ARTEFACTS/taken.txt"
  choose_file 'Save' "$ARTEFACTS/taken.txt"
  told "a save" "$from" 20 "1 name saved to taken.txt"
  settle
  from=$(stat -c %s "$log")
  click_at 400 132   # "Load Domains From File"
  choose_file 'Load List(s) - Hold Ctrl to select multiple list files' "$thousand"
  told "a load of 1,000 names" "$from" 30 "1000 names added to the pending list"
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

http_server_start
start=$SECONDS
run stock reference_list
run ours program_list
outcomes
stop_orca

failures=()
checks=$(wc -l <"$ARTEFACTS/heard-ours.txt")
[[ $checks == 32 && $(wc -l <"$ARTEFACTS/heard-stock.txt") == 32 ]] ||
  fail "$checks checks were made over the program, $(wc -l <"$ARTEFACTS/heard-stock.txt") over the stock view, not 32"
{
  printf 'Orca %s, speak position on, braille on; what it said after each key\n' "$(orca --version)"
  paste "$ARTEFACTS/heard-stock.txt" "$ARTEFACTS/heard-ours.txt" |
    while IFS=$'\t' read -r label stock_ok stock_heard _ ours_ok ours_heard; do
      printf '\n%s\n  stock %-2s %s\n  ours  %-2s %s\n' "$label" "$stock_ok" "$stock_heard" "$ours_ok" "$ours_heard"
    done
} >"$ARTEFACTS/spoken.txt"
printf '%-34s %-6s %s\n' KEY STOCK OURS
# Orca 48 now and then drops a key over the stock view too (End or Page Up
# after a run of moves): one or two such misses are the reader's; more, and
# the test itself does not hear.
deaf=()
while IFS=$'\t' read -r label stock_ok _ _ ours_ok _; do
  printf '%-34s %-6s %s\n' "$label" "$stock_ok" "$ours_ok"
  [[ $stock_ok == ok || $label == *'*' ]] || deaf+=("$label")
  [[ $ours_ok == ok ]] || failures+=("$label")
done < <(paste "$ARTEFACTS/heard-stock.txt" "$ARTEFACTS/heard-ours.txt")
if ((${#deaf[@]} > 2)); then
  failures+=("over the stock view, ${deaf[*]} (the test does not hear)")
elif ((${#deaf[@]})); then
  echo "note: over the stock view, Orca missed ${deaf[*]}"
fi
while IFS=$'\t' read -r label ok heard; do
  printf '%-34s %-6s %s\n' "$label" - "$ok"
  printf '\n%s\n  ours  %-2s %s\n' "$label" "$ok" "$heard" >>"$ARTEFACTS/spoken.txt"
  [[ $ok == ok ]] || failures+=("$label, where Orca said: ${heard:0:600}")
done <"$ARTEFACTS/heard-outcomes.txt"
[[ $(wc -l <"$ARTEFACTS/heard-outcomes.txt") == 5 ]] || failures+=("not every outcome was checked")
echo "($((SECONDS - start)) s; what was said: $ARTEFACTS/spoken.txt)"

if ((${#failures[@]})); then
  { echo "FAIL: Orca did not say the row and its place, or the outcome, after ${#failures[@]} keys or commands:"
    printf '  %s\n' "${failures[@]}"; } >&2
  exit 1
fi
echo "orca: every key speaks the row and its place, over lists of 1, 3 and 1,000 names, and every outcome is told"
