#!/usr/bin/env bash
# Drives the editors demo under a virtual X server with xdotool: typing "Ива" into the edit drops
# down the names it remembers that start so, Down and Enter take one; typing a Cyrillic letter into
# the list-only combo completes it to the first department with that letter; a click on the
# combo's button opens its list and a click on a row picks it; Ctrl+S posts the record.
#   tools/editdemo/drive.sh [build dir]  (screenshots: build dir/editdemo-1.png (the MRU list) and
#                                         editdemo-2.png (the combo's list))
set -euo pipefail
build=$(cd "${1:-build/asan}" && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -e
  # A window manager, as a user has one: drop-downs and dialogs are stacked and focused by it.
  if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & wm=$!; sleep 0.5; fi
  EDITDEMO_SHOT="$0"/editdemo-%1.png "$0"/editdemo > "$1" 2>&1 &
  pid=$!
  for i in $(seq 50); do win=$(xdotool search --name "^Editors$" 2>/dev/null | head -1) && [ -n "$win" ] && break; sleep 0.2; done
  sleep 1
  xdotool key ctrl+a; sleep 0.2
  xdotool type --delay 120 "Ива"; sleep 0.6
  xdotool key F12; sleep 0.6
  xdotool key Down; sleep 0.2; xdotool key Down; sleep 0.2; xdotool key Return; sleep 0.4
  xdotool key Tab; sleep 0.4
  xdotool type --delay 120 "с"; sleep 0.5
  bx=$(grep "^button " "$1" | tail -1 | cut -d" " -f2); by=$(grep "^button " "$1" | tail -1 | cut -d" " -f3)
  xdotool mousemove "$bx" "$by"; sleep 0.2; xdotool click 1; sleep 0.8
  xdotool key F12; sleep 0.6
  x=$(grep "^listitem 2 " "$1" | tail -1 | cut -d" " -f3); y=$(grep "^listitem 2 " "$1" | tail -1 | cut -d" " -f4)
  xdotool mousemove "$x" "$y"; sleep 0.3; xdotool click 1; sleep 0.5
  xdotool key ctrl+s; sleep 0.5
  kill $pid; wait $pid 2>/dev/null || true
  [ -n "${wm:-}" ] && kill $wm 2>/dev/null || true
' "$build" "$out"
cat "$out"
fail=0
check() { grep -q "$1" "$out" || { echo "MISSING: $1"; fail=1; }; }
check "^mru open 3 Иваненко Иванов Ивашкин$"
check "^text edName Иванов$"
check "^mru closed$"
check "^text cbDept Сборочный цех$"
check "^list open 5$"
check "^text cbDept Литейный цех$"
check "^list closed$"
check "^record Иванов|Литейный цех$"
[ $fail = 0 ] && echo "editdemo: all checks passed"
exit $fail
