# Shell functions that drive the real client under a virtual X server with a window manager,
# as a user would: keys and clicks through xdotool, windows found by their titles, results read
# from the database (psql) and from the files written. Sourced by the case scripts.
#
# Environment: SDELKA_BIN (the client), SDELKA_SOURCE (the repository), PGHOST/PGPORT/PGUSER of
# the private cluster, X11_TEMPLATE (the database the cases copy; made by setup.sh).
# Every wait polls with a time-out; a case that fails leaves its screenshots and the client's
# output in its work folder (printed).

set -uo pipefail

: "${X11_TEMPLATE:=sdelka_x11}"

# True when the suite can run here: the private cluster is given and the X tools are installed.
x11_can_run() {
  local t
  [ -n "${PGHOST:-}" ] || { echo "no private PostgreSQL cluster (PGHOST): skipped"; return 1; }
  for t in Xvfb xdotool openbox xwininfo xwd xprop psql python3; do
    command -v "$t" >/dev/null || { echo "$t is not installed: skipped"; return 1; }
  done
}

# Stops the case with a message (on stderr: it reaches the log from command substitutions too);
# the case's screenshot and the client's output are kept.
fail() {
  echo "FAIL: $*" >&2
  if [ -n "${X11_WORK:-}" ] && [ "$BASH_SUBSHELL" = 0 ]; then
    shot failure
    echo "--- windows shown:" >&2; client_windows >&2
    echo "--- client output ($X11_WORK/client.log):" >&2; tail -30 "$X11_WORK/client.log" >&2 2>/dev/null
    echo "--- screenshots and output kept in $X11_WORK" >&2
    X11_KEEP=1
  fi
  exit 1
}

# Runs a command until it succeeds or the time-out (seconds, default 15) runs out.
wait_for() {
  local timeout=$1; shift
  local end=$((SECONDS + timeout))
  until "$@" 2>/dev/null; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# ---- the X session -----------------------------------------------------------------------------

# Starts Xvfb on a free display, the window manager and a fresh copy of the template database,
# then the client. The client's window and data are gone again at the end of the case.
x11_start() {
  X11_WORK=$(mktemp -d "${TMPDIR:-/tmp}/sdelka-x11.XXXXXX")
  X11_KEEP=0
  trap x11_stop EXIT
  exec 5>"$X11_WORK/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$X11_WORK/xvfb.log" 2>&1 &
  X11_XVFB=$!
  wait_for 10 test -s "$X11_WORK/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$X11_WORK/display")"
  export XDG_RUNTIME_DIR="$X11_WORK/run" XDG_CONFIG_HOME="$X11_WORK/config" HOME="$X11_WORK/home"
  mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  openbox --sm-disable >"$X11_WORK/wm.log" 2>&1 &
  X11_WM=$!
  wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "the window manager did not start"
  X11_DB="x11_$(basename "$X11_WORK" | tr 'A-Z.-' 'a-z__')"
  psql -qX -d postgres -c "CREATE DATABASE $X11_DB TEMPLATE $X11_TEMPLATE" >/dev/null || fail "no database"
}

x11_stop() {
  [ -n "${X11_CLIENT:-}" ] && kill "$X11_CLIENT" 2>/dev/null && wait "$X11_CLIENT" 2>/dev/null
  [ -n "${X11_WM:-}" ] && kill "$X11_WM" 2>/dev/null
  [ -n "${X11_XVFB:-}" ] && kill "$X11_XVFB" 2>/dev/null
  wait 2>/dev/null
  [ -n "${X11_DB:-}" ] && psql -qX -d postgres -c "DROP DATABASE IF EXISTS $X11_DB" >/dev/null 2>&1
  [ "${X11_KEEP:-0}" = 1 ] || rm -rf "$X11_WORK"
}

# The desktop's opener for the case: a stand-in first on PATH that keeps a copy of each workbook
# it is given as $X11_WORK/opened.xlsx.
keep_opened_workbooks() {
  mkdir -p "$X11_WORK/bin"
  cat >"$X11_WORK/bin/xdg-open" <<'SH'
#!/bin/sh
f=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.unquote(sys.argv[1].removeprefix("file://")))' "$1")
cp "$f" "$(dirname "$0")/../opened.xlsx"
SH
  chmod +x "$X11_WORK/bin/xdg-open"
  export PATH="$X11_WORK/bin:$PATH"
}

# Starts the client against the case's database.
client_start() {
  env -u QT_QPA_PLATFORM ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
    "$SDELKA_BIN" "$X11_DB" "$PGHOST" >"$X11_WORK/client.log" 2>&1 &
  X11_CLIENT=$!
}

# Signs in with the access word (the administrator's by default) and waits for the main window.
sign_in() {
  local word=${1:-57203816}
  local login; login=$(wait_window '^Авторизация' 60) || fail "no sign-in window"
  focus "$login"
  xdotool type --delay 20 "$word"
  xdotool key Return
  X11_MAIN=$(wait_window '^Табель$' 30) || fail "no main window after signing in"
  wait_gone "$login" || fail "the sign-in window stayed"
}

# ---- windows -----------------------------------------------------------------------------------

# The visible windows whose title matches the pattern (a regular expression).
windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }

# Waits for a visible window whose title matches and prints its id.
wait_window() {
  local pattern=$1 timeout=${2:-20} end=$((SECONDS + ${2:-20})) w
  while :; do
    w=$(windows "$pattern" | tail -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# Waits until the window is no longer shown.
wait_gone() {
  local w=$1 timeout=${2:-15}
  wait_for "$timeout" sh -c "! xwininfo -id $w 2>/dev/null | grep -q IsViewable"
}

title() { xdotool getwindowname "$1"; }

# Makes the window the active one (a click on it would do the same) and waits for the focus.
focus() {
  xdotool windowactivate "$1" 2>/dev/null
  wait_for 5 sh -c "[ \"\$(xdotool getactivewindow)\" = $1 ]" || true
}

# The window that has the activation now.
active() { xdotool getactivewindow 2>/dev/null; }

# Waits until the window has the activation.
wait_active() { wait_for "${2:-10}" sh -c "[ \"\$(xdotool getactivewindow)\" = $1 ]"; }

# Clicks at a point of the window's client area.
click() {
  local w=$1 x=$2 y=$3
  xdotool mousemove --window "$w" "$x" "$y" sleep 0.1 click 1
}

# Keys to the focused window.
key() { xdotool key --delay 40 "$@"; }
type_text() { xdotool type --delay 30 "$1"; }

# The window's picture (xwd's dump, as it is on the screen) into the work folder; prints its path.
grab() {
  local w=$1 name=$2
  xwd -silent -id "$w" >"$X11_WORK/$name.xwd" 2>/dev/null && echo "$X11_WORK/$name.xwd"
}

# A checksum of a rectangle of the window's picture: x y width height (changes when the pixels
# there change).
pixels() {
  local w=$1
  xwd -silent -id "$w" 2>/dev/null | python3 "$SDELKA_SOURCE/tests/x11/xwdcrop.py" "$2" "$3" "$4" "$5"
}

# Waits until the rectangle's checksum differs from the one given, and prints the new one.
wait_pixels_change() {
  local w=$1 old=$2 x=$3 y=$4 cx=$5 cy=$6 end=$((SECONDS + ${7:-15})) now
  while :; do
    now=$(pixels "$w" "$x" "$y" "$cx" "$cy")
    [ -n "$now" ] && [ "$now" != "$old" ] && { echo "$now"; return 0; }
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

# A screenshot of the whole screen as PNG in the work folder (when the converters are there).
shot() {
  command -v xwd >/dev/null && command -v xwdtopnm >/dev/null || return 0
  xwd -silent -root 2>/dev/null | xwdtopnm 2>/dev/null | pnmtopng >"$X11_WORK/$1.png" 2>/dev/null
}

# Waits for the client to exit by itself and sets X11_RC to its exit code.
wait_exit() {
  wait_for "${1:-20}" sh -c "! kill -0 $X11_CLIENT" || return 1
  wait "$X11_CLIENT"
  X11_RC=$?
  X11_CLIENT=
}

# ---- the database ------------------------------------------------------------------------------

sql() { psql -qXAt -d "$X11_DB" -c "$1"; }

# The client's visible windows, one "id title" a line.
client_windows() {
  local w
  for w in $(xdotool search --onlyvisible --class '^sdelka$' 2>/dev/null); do
    echo "$w $(xdotool getwindowname "$w" 2>/dev/null)"
  done
}

# Fails unless the client shows exactly the windows whose titles are given.
only_windows() {
  local shown expected
  shown=$(client_windows | cut -d' ' -f2- | sort)
  expected=$(printf '%s\n' "$@" | sort)
  [ "$shown" = "$expected" ] || fail "windows shown: [$(echo $shown)], expected: [$*]"
}

# Waits for a window with no title of its own (a file dialog: Qt names it after the program) and
# prints its id.
wait_untitled() {
  local end=$((SECONDS + ${1:-20})) w n
  while :; do
    for w in $(xdotool search --onlyvisible --class '^sdelka$' 2>/dev/null); do
      n=$(xdotool getwindowname "$w" 2>/dev/null)
      [ -z "$n" ] || [ "$n" = sdelka ] && { echo "$w"; return 0; }
    done
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# The owner the window manager was told of (WM_TRANSIENT_FOR), as a decimal id.
owner_of() {
  local hex
  hex=$(xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$hex" ] && printf '%d\n' "$hex"
}

# Fails unless the window is owned by the other one, is modal and has the activation.
modal_over() {
  local w=$1 owner=$2 what=$3
  [ "$(owner_of "$w")" = "$owner" ] || fail "$what is not owned by the window that opened it"
  xprop -id "$w" _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL || fail "$what is not modal"
  wait_active "$w" || fail "$what does not have the activation (the active window is $(title "$(active)"))"
}

# Opens the menu bar with Alt and walks it: menu ITEM [SUBITEM...], each a count of Right/Down steps
# from the first entry, e.g. menu 2 0 for the first item of the third menu.
menu() {
  local top=$1; shift
  focus "$X11_MAIN"
  xdotool key alt; sleep 0.2
  local i
  for ((i = 0; i < top; i++)); do xdotool key Right; done
  xdotool key Down
  while [ $# -gt 0 ]; do
    for ((i = 0; i < $1; i++)); do xdotool key Down; done
    shift
    if [ $# -gt 0 ]; then xdotool key Right; fi
  done
  xdotool key Return
}

# ---- the report preview ------------------------------------------------------------------------
# Places in the preview's client area (the window opens maximized): the toolbar's buttons and the
# page.

PV_Y=18
PV_ZOOMFIT=16 PV_ZOOM100=79 PV_PREV=184 PV_NEXT=216 PV_FIND=322 PV_PRINT=424 PV_SAVE=488 PV_CLOSE=582
PAGE=(250 60 900 700)         # x y width height of the page on the screen
RESULTS=(4 95 170 120)        # the search results list

# Waits for the preview opened from the window given, checks that it is modal over it, pages
# forward and back by key and by button (a report of one page scrolls or zooms instead),
# and prints the preview's id.
preview_opened() {
  local owner=$1 prev first second back
  prev=$(wait_window '^Report Preview' 60) || fail "no report preview"
  modal_over "$prev" "$owner" "the report preview"
  first=$(wait_stable_pixels "$prev" "${PAGE[@]}") || fail "the preview shows no page"
  key Next
  if second=$(wait_pixels_change "$prev" "$first" "${PAGE[@]}" 4); then
    key Prior
    back=$(wait_pixels_change "$prev" "$second" "${PAGE[@]}") || fail "PgUp did not turn the page back"
    [ "$back" = "$first" ] || fail "PgUp did not bring back the first page"
    click "$prev" $PV_NEXT $PV_Y
    second=$(wait_pixels_change "$prev" "$first" "${PAGE[@]}") || fail "the next-page button did not turn the page"
    click "$prev" $PV_PREV $PV_Y
    back=$(wait_pixels_change "$prev" "$second" "${PAGE[@]}") || fail "the previous-page button did not turn the page back"
    [ "$back" = "$first" ] || fail "the previous-page button did not bring back the first page"
  else
    # one page: the wheel scrolls it when it is taller than the window, the zoom buttons show it
    # at 100% and fitted
    xdotool mousemove --window "$prev" 700 400 click 5
    if second=$(wait_pixels_change "$prev" "$first" "${PAGE[@]}" 4); then
      xdotool click 4
      back=$(wait_pixels_change "$prev" "$second" "${PAGE[@]}") || fail "the wheel did not scroll back"
      [ "$back" = "$first" ] || fail "the wheel did not bring back the top of the page"
    else
      click "$prev" $PV_ZOOM100 $PV_Y
      second=$(wait_pixels_change "$prev" "$first" "${PAGE[@]}") || fail "the preview takes no input (PgDn, the wheel, 100%)"
      click "$prev" $PV_ZOOMFIT $PV_Y
      wait_pixels_change "$prev" "$second" "${PAGE[@]}" >/dev/null || fail "the zoom-to-fit button did nothing"
    fi
  fi
  echo "$prev"
}

# Waits until the rectangle's pixels stay the same for half a second and prints their checksum.
wait_stable_pixels() {
  local w=$1 end=$((SECONDS + 30)) a b
  a=$(pixels "$w" "$2" "$3" "$4" "$5")
  while :; do
    sleep 0.5
    b=$(pixels "$w" "$2" "$3" "$4" "$5")
    [ -n "$b" ] && [ "$a" = "$b" ] && { echo "$b"; return 0; }
    [ $SECONDS -lt $end ] || return 1
    a=$b
  done
}

# Searches the preview for a word through its search dialog; the results list fills.
preview_search() {
  local prev=$1 word=$2 dlg before
  before=$(pixels "$prev" "${RESULTS[@]}")
  click "$prev" $PV_FIND $PV_Y
  dlg=$(wait_window '^Search for Text$') || fail "no search dialog"
  modal_over "$dlg" "$prev" "the search dialog"
  # one character at a time: xdotool maps each Cyrillic letter to a spare key code in turn
  xdotool type --delay 150 "$word"
  click "$dlg" 166 98            # Search
  wait_gone "$dlg" || fail "the search dialog stayed"
  wait_pixels_change "$prev" "$before" "${RESULTS[@]}" >/dev/null || fail "the search found nothing"
  wait_active "$prev" || fail "the preview did not get the activation back after the search"
}

# Answers the file dialog that the client opened with a file name.
answer_file_dialog() {
  local file=$1 dlg
  if [ -n "${2:-}" ]; then dlg=$(wait_window "$2" 30); else dlg=$(wait_untitled 30); fi || fail "no file dialog"
  focus "$dlg"
  key ctrl+a
  type_text "$file"
  key Return
  wait_gone "$dlg" 30 || fail "the file dialog stayed"
}

# Fails unless the PDF file exists and its text holds the words.
pdf_has() {
  local file=$1 text; shift
  wait_for 60 test -s "$file" || fail "$file was not written"
  wait_for 30 sh -c "pdftotext '$file' - >/dev/null 2>&1" || fail "$file is not a PDF that pdftotext reads"
  text=$(pdftotext "$file" - 2>/dev/null)
  local word
  for word in "$@"; do
    grep -q -- "$word" <<<"$text" || fail "$file does not hold \"$word\""
  done
}

# Prints the preview to the "PDF file" printer (the default where no other printer is installed)
# into the file given.
preview_print_pdf() {
  local prev=$1 file=$2
  click "$prev" $PV_PRINT $PV_Y
  answer_file_dialog "$file"
  pdf_has "$file" "${@:3}"
  wait_for 30 sh -c '! xdotool search --onlyvisible --name "^Printing progress$" | grep -q .' || fail "the printing progress stayed"
  wait_active "$prev" || fail "the preview did not get the activation back after printing"
}

# Saves the preview's report as PDF into the file given.
preview_save_pdf() {
  local prev=$1 file=$2 dlg
  click "$prev" $PV_SAVE $PV_Y
  dlg=$(wait_window '^Save report$') || fail "no save dialog"
  modal_over "$dlg" "$prev" "the save dialog"
  answer_file_dialog "$file" '^Save report$'
  pdf_has "$file" "${@:3}"
  wait_active "$prev" || fail "the preview did not get the activation back after saving"
}

# Closes the preview with Escape or with its Close button; the window that opened it has the
# activation again.
preview_close() {
  local prev=$1 owner=$2 how=$3
  if [ "$how" = escape ]; then key Escape; else click "$prev" $PV_CLOSE $PV_Y; fi
  wait_gone "$prev" || fail "the preview did not close with $how"
  wait_active "$owner" || fail "the window under the preview did not get the activation back"
}
