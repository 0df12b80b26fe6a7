#!/usr/bin/env bash
# The buttons of the monthly timesheet in each of its modes and of the timesheet by shifts:
# Обновить shows what the database holds now, Перестроить writes the month's rows of its kind again
# from their source rows (the auxiliary rows for the monthly timesheet, the shifts' rows for the
# timesheet by shifts) and leaves the others alone, and Excel writes the workbook of the rows
# shown, which the desktop is asked to open (here a stand-in that keeps a copy) and whose path the
# user is told. Esc closes the window.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
keep_opened_workbooks

client_start
sign_in

month=$((10#$(date +%m))) year=$(date +%Y)
of_month="month = $month and year = $year"
# Places in the monthly timesheet (client 1130 × 560): the grid, and the buttons under it.
MONTHLY=(0 0 1130 490 60 543 168 543 269 543)
# In the timesheet by shifts (958 × 577): the first shift's grid, Excel and Перестроить under it,
# Обновить at the bottom.
BY_SHIFTS=(4 24 950 470 64 517 363 559 174 517)

days=""
for d in $(seq 1 31); do days+="${days:+,}coalesce(d$d,0)"; done
# The month's rows of one kind of timesheet row, as text: worker, shift, kind, night, group, hours a day.
rows() { sql "select string_agg(concat_ws(':', w_id, smena, i_type, i_night, id_nom, $days), ' ' order by w_id, smena, i_type, i_night, id_nom) from accounts_dep.h_dizuv where $of_month and $1"; }
# The names of the workers whose rows the mode shows.
names() { sql "select distinct p.s_caption from cmn_contractor.person p join accounts_dep.h_dizuv h on h.w_id = p.id where h.$of_month and $1 order by 1"; }

# check_mode TITLE ROWS-SHOWN REBUILT KEPT PLACES... MENU-STEPS...: REBUILT are the rows that
# Перестроить writes, KEPT those it must leave alone.
check_mode() {
  local title=$1 kinds=$2 rebuilt=$3 kept=$4 win shown now before others; shift 4
  local GRID=("$1" "$2" "$3" "$4") EXCEL=("$5" "$6") REFRESH=("$7" "$8") REBUILD=("$9" "${10}"); shift 10
  menu 1 "$@"
  win=$(wait_window "^$title\$" 60) || fail "no window $title"
  modal_over "$win" "$X11_MAIN" "$title"
  shown=$(wait_stable_pixels "$win" "${GRID[@]}") || fail "$title shows no grid"

  # Обновить: a day's hours changed in the database reach the grid
  sql "create table x11_kept as select * from accounts_dep.h_dizuv where $of_month" >/dev/null
  sql "update accounts_dep.h_dizuv set d1 = coalesce(d1, 0) + 3 where $of_month and $kinds" >/dev/null
  click "$win" "${REFRESH[@]}"
  now=$(wait_pixels_change "$win" "$shown" "${GRID[@]}") || fail "$title: Обновить did not show the changed hours"
  sql "delete from accounts_dep.h_dizuv where $of_month; insert into accounts_dep.h_dizuv select * from x11_kept; drop table x11_kept" >/dev/null
  click "$win" "${REFRESH[@]}"
  wait_pixels_change "$win" "$now" "${GRID[@]}" >/dev/null || fail "$title: Обновить did not show the hours put back"

  # Перестроить: its rows come back from their sources; the others are untouched
  before=$(rows "$rebuilt") others=$(rows "$kept")
  [ -n "$before" ] || fail "the demo month has no rows ($rebuilt)"
  sql "delete from accounts_dep.h_dizuv where $of_month and $rebuilt" >/dev/null
  click "$win" "${REBUILD[@]}"
  wait_for 60 sh -c "[ \"\$(psql -qXAt -d $X11_DB -c \"select count(*) from accounts_dep.h_dizuv where $of_month and $rebuilt\")\" -gt 0 ]" \
    || fail "$title: Перестроить wrote no rows"
  wait_for 30 sh -c "! xdotool search --onlyvisible --name '^Перестроение' | grep -q ." || fail "$title: the rebuild did not end"
  [ "$(rows "$rebuilt")" = "$before" ] || fail "$title: Перестроить did not write the rows as they were"
  [ "$(rows "$kept")" = "$others" ] || fail "$title: Перестроить changed rows of another kind"
  wait_active "$win" || fail "$title: the window did not get the activation back after the rebuild"

  # Excel: the workbook holds the workers the mode shows and the month's name
  rm -f "$X11_WORK/opened.xlsx"
  click "$win" "${EXCEL[@]}"
  box=$(wait_window '^Microsoft Excel$' 60) || fail "$title: nobody was told where the workbook is"
  modal_over "$box" "$win" "the workbook message"
  key Return
  wait_gone "$box" || fail "the workbook message stayed"
  wait_for 10 test -s "$X11_WORK/opened.xlsx" || fail "$title: no workbook was handed to the desktop"
  names "$kinds" >"$X11_WORK/expected.txt"
  # the system's Python, which has the workbook reader the project installs
  "$(command -v /usr/bin/python3 || command -v python3)" - "$X11_WORK/opened.xlsx" "$X11_WORK/expected.txt" "$month" <<'PY' || fail "$title: the workbook does not hold the rows shown"
import sys, openpyxl
months = ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь", "Октябрь",
          "Ноябрь", "Декабрь"]
book = openpyxl.load_workbook(sys.argv[1])
texts = {str(c.value).strip() for ws in book.worksheets for row in ws.iter_rows() for c in row if c.value is not None}
expected = [l for l in open(sys.argv[2], encoding="utf-8").read().splitlines() if l]
missing = [n for n in expected if n not in texts]
month = months[int(sys.argv[3]) - 1]
if not expected or missing or not any(month in t for t in texts):
    print("names expected", len(expected), "missing", missing, "month", month, "found", any(month in t for t in texts))
    sys.exit(1)
PY
  wait_active "$win" || fail "$title: the window did not get the activation back after Excel"

  key Escape
  wait_gone "$win" 30 || fail "$title did not close with Escape"
  wait_active "$X11_MAIN" || fail "the main window did not get the activation back from $title"
  only_windows "Табель"
}

aux="smena = 0" shifts="smena > 0"
check_mode "Табель сделка \(27\)" "i_type = 0" "$aux" "$shifts" "${MONTHLY[@]}" 0
check_mode "Табель хоз. работы \(27\)" "i_type = 7777" "$aux" "$shifts" "${MONTHLY[@]}" 2 0
check_mode "Табель ср. сдельная \(27\)" "i_type = 7778" "$aux" "$shifts" "${MONTHLY[@]}" 3 0
check_mode "Общий табель \(27\)" "true" "$aux" "$shifts" "${MONTHLY[@]}" 4
check_mode "Табель по времени" "smena > 0" "$shifts" "$aux" "${BY_SHIFTS[@]}" 1
echo "timesheet_buttons: passed"
