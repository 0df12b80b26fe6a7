#!/usr/bin/env bash
# Drives the axis grid demo under a virtual X server with xdotool and checks what it reports:
# a Cyrillic department name completed from two typed letters, a cell copied and pasted with
# Ctrl+C/Ctrl+V, the pick list opened with Alt+Down and closed with Escape and with Enter.
#   tools/axisgriddemo/drive.sh [build dir]     (screenshots go to build dir/axisgriddemo-*.png)
set -euo pipefail
build=$(cd "${1:-build/asan}" && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -e
  # A window manager, as a user has one: drop-downs and dialogs are stacked and focused by it.
  if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & wm=$!; sleep 0.5; fi
  "$0"/axisgriddemo --shot "$0"/axisgriddemo-shot.png > "$1" 2>&1 &
  pid=$!
  for i in $(seq 50); do win=$(xdotool search --name "^Axis grid$" 2>/dev/null | head -1) && [ -n "$win" ] && break; sleep 0.2; done
  xdotool windowmove --sync "$win" 0 0; xdotool windowactivate --sync "$win" 2>/dev/null || true
  sleep 0.5
  key() { xdotool key --window "$win" "$@"; sleep 0.3; }
  shot() { key F12; sleep 0.3; cp "$0"/axisgriddemo-shot.png "$0"/axisgriddemo-$1.png; }
  key Right Right Right            # the department name of the first part
  key ctrl+a
  xdotool type --window "$win" --delay 150 "св"; sleep 0.3
  key F11; shot complete
  key Down                         # moving off writes the record
  key Up ctrl+a ctrl+c             # copy the first part department
  key Down ctrl+a ctrl+v           # and paste it into the second
  key F11
  key Down
  key ctrl+a Left ctrl+a Left      # the name of the third part
  key alt+Down; shot picklist
  key Down Escape
  key F11
  key alt+Down Up Return
  key F11; shot picked
  key Up
  kill $pid; wait $pid 2>/dev/null || true
  [ -n "${wm:-}" ] && kill $wm 2>/dev/null || true
' "$build" "$out"
cat "$out"
fail=0
check() { grep -qxF "$1" "$out" || { echo "MISSING: $1"; fail=1; }; }
check "editor Сварка|арка"          # completed from "св", the completion selected
check "post 1 Болт Сварка"
check "editor Сварка|"              # pasted
check "post 2 Гайка Сварка"
check "editor Шайба|"               # Escape gave the text back
check "editor Заклёпка|Заклёпка"    # Enter took the item
check "post 3 Заклёпка Покраска"
[ $fail = 0 ] && echo "axisgriddemo: all checks passed"
exit $fail
