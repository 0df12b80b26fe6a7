#!/usr/bin/env bash
# Drives the date demo under a virtual X server with xdotool: Up on the day and a wheel turn step
# the day, a typed 29.02.2025 becomes 28.02.2025 on leaving (the field keeps its time), Alt+Down
# opens the calendar on the value, a click on a day picks it, the header zooms out to the months,
# a month and a day are picked by clicks, and Page Down then Escape leave the value as it was; a
# time edit opens the time page, whose hours arrow steps 23 to 00 and whose OK takes the time.
#   tools/datedemo/drive.sh [build dir]   (pictures of the calendar: build dir/datedemo-VIEW-N.png)
set -euo pipefail
build=$(cd "${1:-build/asan}" && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export ASAN_OPTIONS=detect_leaks=0
rm -f "$build"/datedemo-*.png
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -e
  # A window manager, as a user has one: drop-downs and dialogs are stacked and focused by it.
  if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & wm=$!; sleep 0.5; fi
  DATEDEMO_SHOT="$0"/datedemo "$0"/datedemo > "$1" 2>&1 &
  pid=$!
  for i in $(seq 50); do win=$(xdotool search --name "^Dates$" 2>/dev/null | head -1) && [ -n "$win" ] && break; sleep 0.2; done
  sleep 0.8
  last() { grep "^$1" "$2" | tail -1 | cut -d" " -f"$3"; }
  cell() { grep "^cell $1 $2 " "$3" | tail -1 | cut -d" " -f4-5 | tr " " "\n"; }
  ex=$(last "edit " "$1" 2); ey=$(last "edit " "$1" 3)
  xdotool mousemove $((ex + 4)) $((ey + 12)); sleep 0.2; xdotool click 1; sleep 0.3
  xdotool key Home; sleep 0.2
  xdotool key Up; sleep 0.3
  xdotool click 4; sleep 0.3
  xdotool key ctrl+a; sleep 0.2
  xdotool type --delay 60 "29022025"; sleep 0.3
  xdotool key Tab; sleep 0.5
  xdotool mousemove $((ex + 4)) $((ey + 12)); sleep 0.2; xdotool click 1; sleep 0.3
  # The calendar: 14 February 2025 is cell (5, 3) of a Monday-first February 2025.
  xdotool key alt+Down; sleep 1.2
  set -- "$1"
  p=($(cell 5 3 "$1")); xdotool mousemove "${p[0]}" "${p[1]}"; sleep 0.3; xdotool click 1; sleep 0.6
  xdotool key alt+Down; sleep 1.2
  hx=$(last "header " "$1" 2); hy=$(last "header " "$1" 3)
  xdotool mousemove "$hx" "$hy"; sleep 0.3; xdotool click 1; sleep 1.2
  p=($(cell 3 0 "$1")); xdotool mousemove "${p[0]}" "${p[1]}"; sleep 0.3; xdotool click 1; sleep 1.2
  # 30 April 2025 is cell (3, 5) of a Monday-first April 2025.
  p=($(cell 3 5 "$1")); xdotool mousemove "${p[0]}" "${p[1]}"; sleep 0.3; xdotool click 1; sleep 0.6
  xdotool key alt+Down; sleep 1.2
  xdotool key Next; sleep 0.8
  xdotool key Escape; sleep 0.5
  xdotool key Tab; sleep 0.5
  # The time edit: its calendar is the time page; the hours arrow steps 23 to 00, OK takes it.
  tx=$(last "timeedit " "$1" 2); ty=$(last "timeedit " "$1" 3)
  xdotool mousemove $((tx + 4)) $((ty + 12)); sleep 0.2; xdotool click 1; sleep 0.3
  xdotool key alt+Down; sleep 1.2
  p=($(cell 2 1 "$1")); xdotool mousemove "${p[0]}" "${p[1]}"; sleep 0.3; xdotool click 1; sleep 0.8
  p=($(cell 5 5 "$1")); xdotool mousemove "${p[0]}" "${p[1]}"; sleep 0.3; xdotool click 1; sleep 0.6
  kill $pid; wait $pid 2>/dev/null || true
  [ -n "${wm:-}" ] && kill $wm 2>/dev/null || true
' "$build" "$out"
cat "$out"
fail=0
check() { grep -q "$1" "$out" || { echo "MISSING: $1"; fail=1; }; }
check "^text 01.01.2024$"
check "^text 02.01.2024$"
check "^field 2025-02-28 17:45:12$"
check "^text 28.02.2025$"
check "^view days$"
check "^closeup 1 14.02.2025$"
check "^view months$"
check "^closeup 1 30.04.2025$"
check "^closeup 0 30.04.2025$"
check "^field 2025-04-30 17:45:12$"
check "^shot .*datedemo-days-1.png$"
check "^shot .*datedemo-months-"
check "^view time$"
check "^closeup 1 00:15$"
check "^shot .*datedemo-time-"
[ $fail = 0 ] && echo "datedemo: all checks passed"
exit $fail
