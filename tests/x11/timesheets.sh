#!/usr/bin/env bash
# Табель: the timesheet windows open modal over the main window and close with Escape, giving the
# activation back, the nomenclature-group and wage windows too (the monthly timesheet's buttons:
# timesheet_buttons.sh).
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
client_start
sign_in

check_timesheet() {
  local title=$1 win; shift
  menu 1 "$@"
  win=$(wait_window "^$title\$" 60) || fail "no window $title"
  modal_over "$win" "$X11_MAIN" "$title"
  key Escape
  wait_gone "$win" 30 || fail "$title did not close with Escape"
  wait_active "$X11_MAIN" || fail "the main window did not get the activation back from $title"
  only_windows "Табель"
}

check_timesheet "Табель сделка \(27\)" 0
check_timesheet "Табель по времени" 1
check_timesheet "Табель хоз. работы \(27\)" 2 0
check_timesheet "Табель ср. сдельная \(27\)" 3 0
check_timesheet "Общий табель \(27\)" 4
# The windows by nomenclature group show the month in the data grid; Esc presses their Выход.
check_timesheet "Табель по ном. гр. хоз. работы \(31\)" 2 1
check_timesheet "Табель по ном. гр. ср. сдельная \(31\)" 3 1
check_timesheet "Общий табель ЗП \(30\)" 5
echo "timesheets: passed"
