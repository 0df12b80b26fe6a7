#!/usr/bin/env bash
# Drives the popup demo under a virtual X server with xdotool: a popup list dropped down from an
# edit near the bottom of the screen opens above it, a click on an item selects it while the main
# window keeps the activation and the edit the focus (typed keys still reach the edit); a popup
# menu item that does not close its menu ticks while the menu stays open; a confirmation box
# blocks the window behind it (a second click on its button asks nothing) until Escape answers it.
#   tools/popupdemo/drive.sh [build dir]     (a screenshot of the open list: build dir/popupdemo-list.png)
set -euo pipefail
build=$(cd "${1:-build/asan}" && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -e
  POPUPDEMO_SHOT="$0"/popupdemo-list.png "$0"/popupdemo > "$1" 2>&1 &
  pid=$!
  for i in $(seq 50); do win=$(xdotool search --name "^Popups$" 2>/dev/null | head -1) && [ -n "$win" ] && break; sleep 0.2; done
  sleep 0.8
  field() { grep "^$1" "$2" | tail -1 | cut -d" " -f"$3"; }
  xdotool key F4; sleep 0.6
  xdotool key F12; sleep 0.5
  x=$(grep "^item 2 " "$1" | tail -1 | cut -d" " -f3); y=$(grep "^item 2 " "$1" | tail -1 | cut -d" " -f4)
  xdotool mousemove "$x" "$y"; sleep 0.3; xdotool click 1; sleep 0.5
  xdotool type --delay 80 "zz"; sleep 0.5
  xdotool key Escape; sleep 0.3
  # The popup menu: a right click on the form, two clicks on the ticking item, then Escape.
  ex=$(field "edit " "$1" 2); ey=$(field "edit " "$1" 3)
  xdotool mousemove $((ex + 260)) $((ey - 40)); sleep 0.2; xdotool click 3; sleep 0.8
  mx=$(grep "^menuitem 0 " "$1" | tail -1 | cut -d" " -f3); my=$(grep "^menuitem 0 " "$1" | tail -1 | cut -d" " -f4)
  xdotool mousemove "$mx" "$my"; sleep 0.3; xdotool click 1; sleep 0.5
  xdotool click 1; sleep 0.5
  xdotool key Escape; sleep 0.5
  # The confirmation: a click on the button, a second click and a click on the edit behind the
  # box, then Escape on the box.
  dx=$((ex + 275)); dy=$((ey + 12))
  xdotool mousemove "$dx" "$dy"; sleep 0.2; xdotool click 1; sleep 0.8
  xdotool click 1; sleep 0.4
  xdotool mousemove $((ex + 20)) $((ey + 10)); sleep 0.2; xdotool click 1; sleep 0.4
  xdotool key Escape; sleep 0.5
  kill $pid; wait $pid 2>/dev/null || true
' "$build" "$out"
cat "$out"
fail=0
check() { grep -q "$1" "$out" || { echo "MISSING: $1"; fail=1; }; }
check "^popup above "
check "^selected 2 focus Edit active MainForm$"
check "^text zz$"
check "^menu open$"
check "^option checked 1$"
check "^option checked 0$"
# The menu stayed open through both ticks: it closed only after the check line (on Escape).
opened=$(grep -c "^menu open$" "$out" || true)
[ "$opened" = 1 ] || { echo "the menu opened $opened times"; fail=1; }
awk '/^option checked 0$/{t=1} /^menu closed$/{ if (!t) bad=1 } END{exit bad}' "$out" || { echo "the menu closed before the second tick"; fail=1; }
check "^confirm 1$"
check "^answer 7$"
grep -q "^confirm 2$" "$out" && { echo "a second confirmation was stacked behind the first"; fail=1; }
[ $fail = 0 ] && echo "popupdemo: all checks passed"
exit $fail
