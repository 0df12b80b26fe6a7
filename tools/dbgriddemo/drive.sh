#!/usr/bin/env bash
# Drives the data grid demo under a virtual X server with xdotool and checks what it reports and
# what it puts on the clipboard: records marked by clicks in the indicator with Shift, a rectangle
# of cells by Shift+click, Ctrl+C of each (the clipboard read back with xclip), columns selected in
# the strip under the titles, a column sized by dragging its title border, and sorting by a title
# click and back; before that, the keyboard: arrows, a page down, Ctrl+End and Ctrl+Home, a search
# typed in Cyrillic on the names, and a range of records marked with Shift+arrows.
#   tools/dbgriddemo/drive.sh [build dir]     (screenshots go to build dir/dbgriddemo-*.png)
set -euo pipefail
build=$(cd "${1:-build/asan}" && pwd)
command -v xclip >/dev/null || { echo "dbgriddemo: xclip is missing (scripts/install-deps.sh)"; exit 77; }
out=$(mktemp); [ -n "${DRIVE_OUT:-}" ] && out=$DRIVE_OUT
[ -z "${DRIVE_OUT:-}" ] && trap 'rm -f "$out"' EXIT
export ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  set -e; [ -n "${DRIVE_TRACE:-}" ] && set -x
  if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & wm=$!; sleep 0.5; fi
  # Appending, so the clipboard lines the script adds stay among the lines of the demo.
  : > "$1"; "$0"/dbgriddemo --shot "$0"/dbgriddemo-shot.png >> "$1" 2>&1 &
  pid=$!
  for i in $(seq 50); do win=$(xdotool search --name "^Data grid$" 2>/dev/null | head -1) && [ -n "$win" ] && break; sleep 0.2; done
  xdotool windowmove --sync "$win" 0 0; xdotool windowactivate --sync "$win" 2>/dev/null || true
  sleep 0.8
  key() { xdotool key --window "$win" "$@"; sleep 0.3; }
  shot() { key F12; sleep 0.3; cp "$0"/dbgriddemo-shot.png "$0"/dbgriddemo-$1.png; }
  # The keyboard first, reported by F8; it leaves the grid as it found it (first record, first
  # column, nothing marked, no row selection).
  key Down Down; key F8
  key Next; key F8
  key ctrl+End; key F8
  key ctrl+Home; key F8
  key Right
  xdotool type --window "$win" --delay 150 "шп"; sleep 0.3
  key F8; shot search
  key Return; key F8                # Enter ends the search
  key F9 ctrl+Home                  # row selection
  key shift+Down shift+Down shift+Down; key F8; shot range
  key shift+Up; key F8              # the step back unmarks the record it leaves
  key Escape F9 ctrl+Home Home; key F8

  # Where the window manager put things: the last report of each place wins.
  key F10
  OUT="$1"
  cell() { grep "^cell $1 $2 " "$OUT" | tail -1 | cut -d" " -f4-; }
  place() { grep "^$1 $2 " "$OUT" | tail -1 | cut -d" " -f3-; }
  click() { xdotool mousemove $1 $2; sleep 0.2; xdotool click ${3:-1}; sleep 0.4; }
  shiftclick() { xdotool mousemove $1 $2; sleep 0.2; xdotool keydown shift; xdotool click 1; xdotool keyup shift; sleep 0.4; }
  clip() { echo "clipboard $(xclip -selection clipboard -o | tr "\t\r\n" "|~/")" >> "$OUT"; }

  click $(cell -1 1)                # mark the second record in the indicator
  shiftclick $(cell -1 4)           # and extend to the fifth
  key F11; shot records
  key ctrl+c; clip

  click $(cell 1 2)                 # a plain click on a cell drops the marks
  shiftclick $(cell 2 5)            # a rectangle from (Name, 3) to (Qty, 6)
  key F11; shot rectangle
  key ctrl+c; clip

  click $(place strip 1)            # columns: Name, then Shift to Price
  shiftclick $(place strip 3)
  key F11

  b=($(place border 1))             # size Name by 40 pixels
  xdotool mousemove ${b[0]} ${b[1]}; sleep 0.2; xdotool mousedown 1; sleep 0.2
  xdotool mousemove $((b[0] + 20)) ${b[1]}; sleep 0.2; xdotool mousemove $((b[0] + 40)) ${b[1]}; sleep 0.2
  xdotool mouseup 1; sleep 0.4
  key F11; shot sized

  key F10                           # places after sizing
  click $(place title 2)            # sort by Qty, then the other way round
  key F11; shot sorted
  click $(place title 2)
  key F11

  t=($(place title 1)); u=($(place title 3))   # move Name past Price by its title
  xdotool mousemove ${t[0]} ${t[1]}; sleep 0.2; xdotool mousedown 1; sleep 0.2
  xdotool mousemove $((t[0] + 12)) ${t[1]}; sleep 0.3; xdotool mousemove ${u[0]} ${u[1]}; sleep 0.6
  shot moving                       # the floating title above the titles, its arrow at the target
  xdotool mouseup 1; sleep 0.8
  key F11
  kill $pid; wait $pid 2>/dev/null || true
  [ -n "${wm:-}" ] && kill $wm 2>/dev/null || true
' "$build" "$out"
grep -v "^cell \|^title \|^strip \|^border " "$out"
fail=0
# The keyboard's reports, each a block of five lines starting at "key current".
keyblock() { awk -v n="$1" '/^key current /{b++} b==n' "$out"; }
inkey() { keyblock "$1" | grep -qxF "key $2" || { echo "MISSING in key report $1: key $2"; fail=1; }; }
page=$(keyblock 1 | sed -n "s/^key page //p")
inkey 1 "current 3"
inkey 2 "current $((3 + page))"
inkey 3 "current 30"
inkey 4 "current 1"
inkey 5 "current 5"                 # "шп" finds Шпилька, the first name that begins so
inkey 5 "column 1"
inkey 5 "search Шп"                 # the text takes the case of the name found
inkey 6 "search -"
inkey 6 "current 5"
inkey 7 "marked 1,2,3,4"
inkey 7 "current 4"
inkey 8 "marked 1,2,3"
inkey 8 "current 3"
inkey 9 "marked "
inkey 9 "current 1"
inkey 9 "column 0"
check() { grep -qxF "$1" "$out" || { echo "MISSING: $1"; fail=1; }; }
# Each F11 report is a block; the checks name the lines each block must hold, in order.
block() { awk -v n="$1" '/^current /{b++} b==n' "$out"; }
inblock() { block "$1" | grep -qxF "$2" || { echo "MISSING in report $1: $2"; fail=1; }; }
inblock 1 "selection records"
inblock 1 "marked 2,3,4,5"
inblock 1 "current 5"
check "clipboard 2|Шайба|3|3~/3|Винт|10|4,5~/4|Заклёпка|6|6~/5|Шпилька|2|7,5~/"
inblock 2 "selection rectangle"
inblock 2 "marked "
check "clipboard Винт|10~/Заклёпка|6~/Шпилька|2~/Болт|9~/"
inblock 3 "selection columns"
inblock 4 "width Name 140"
inblock 5 "sort Qty down"
inblock 5 "first 3 10"                # down: the largest quantity first
inblock 6 "sort Qty up"
inblock 6 "first 11 0"
# The moved column is no longer second; its width went with it.
[ "$(block 7 | grep "^width" | sed -n 2p)" != "width Name 140" ] || { echo "MISSING: Name moved by its title"; fail=1; }
inblock 7 "width Name 140"
[ $fail = 0 ] && echo "dbgriddemo: all checks passed"
exit $fail
