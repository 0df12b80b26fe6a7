#!/usr/bin/env bash
# Drives the grid demo under a virtual X server with xdotool and checks what the grid reports:
# PgDn, Ctrl+End, F2 with typing and Enter, a column dragged by its title, a border dragged.
#   tools/griddemo/drive.sh [build dir]     (screenshots go to build dir/griddemo-*.png)
set -euo pipefail
build=$(cd "${1:-build/asan}" && pwd)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -e
  "$0"/griddemo --width 640 --height 400 --cols 12 --rows 100 --shot "$0"/griddemo-shot.png > "$1" 2>&1 &
  pid=$!
  for i in $(seq 50); do win=$(xdotool search --name "^Grid$" 2>/dev/null | head -1) && [ -n "$win" ] && break; sleep 0.2; done
  xdotool windowmove --sync "$win" 0 0; xdotool windowactivate --sync "$win" 2>/dev/null || true
  sleep 0.5
  # Client coordinates of the window: the frame is none under a bare X server.
  geom=$(xdotool getwindowgeometry --shell "$win"); eval "$geom"
  key() { xdotool key --window "$win" "$@"; sleep 0.3; }
  key Next                       # PgDn
  key ctrl+End                   # Ctrl+End
  key ctrl+Home
  key F2
  xdotool type --window "$win" --delay 50 "abc"; sleep 0.3
  key Return
  key F12; sleep 0.5; cp "$0"/griddemo-shot.png "$0"/griddemo-edit.png
  # Drag column 3 by its title (row 0) onto the right half of column 6.
  xdotool mousemove $((X + 175)) $((Y + 10)) mousedown 1; sleep 0.2
  xdotool mousemove $((X + 250)) $((Y + 10)); sleep 0.2
  xdotool mousemove $((X + 340)) $((Y + 10)); sleep 0.5
  xdotool mouseup 1; sleep 0.3
  # Drag the line right of column 1 (x 100) 30 pixels to the right.
  xdotool mousemove $((X + 100)) $((Y + 10)) mousedown 1; sleep 0.2
  xdotool mousemove $((X + 115)) $((Y + 10)); sleep 0.1
  xdotool mousemove $((X + 130)) $((Y + 10)); sleep 0.2
  xdotool mouseup 1; sleep 0.3
  key F12; sleep 0.5
  kill $pid; wait $pid 2>/dev/null || true
' "$build" "$out"
cat "$out"
fail=0
check() { grep -qx "$1" "$out" || { echo "MISSING: $1"; fail=1; }; }
check "cell 1 1"
# PgDn: the last row of the next page (the viewport is one page lower).
pg=$(grep -m2 "^cell " "$out" | tail -1 | cut -d" " -f3)
[ "$pg" -ge 30 ] || { echo "PgDn went to row $pg"; fail=1; }
check "cell 12 100"        # Ctrl+End: the last cell
check "edit 1 1 abc"       # F2, typing and Enter
grep -q "^moved col 3 6 (column 3)$" "$out" || { echo "MISSING: column move"; fail=1; }
grep -q "^widths 50 80 " "$out" || { echo "MISSING: column sizing"; fail=1; }
[ $fail = 0 ] && echo "griddemo: all checks passed"
exit $fail
