#!/usr/bin/env bash
# Табель → Табель по сменам → Печать: the month's hours open in the preview, modal over the
# timesheet window; it pages, finds the month's name, prints to the "PDF file" printer and saves as
# PDF, closes with Escape and, opened again, with Close. The window closes with Выход.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
client_start
sign_in

PRINT_X=53 PRINT_Y=559        # Печать, at the window's bottom left
month=$(LC_ALL=C date +%m)
names=(Январь Февраль Март Апрель Май Июнь Июль Август Сентябрь Октябрь Ноябрь Декабрь)
name=${names[$((10#$month - 1))]}

menu 1 1
win=$(wait_window '^Табель по времени$') || fail "no per-shift timesheet"
wait_active "$win" || fail "the per-shift timesheet does not have the activation"

click "$win" $PRINT_X $PRINT_Y
prev=$(preview_opened "$win") || fail "the preview of the per-shift timesheet"
preview_search "$prev" "$name"
preview_print_pdf "$prev" "$X11_WORK/printed.pdf" "$name"
preview_save_pdf "$prev" "$X11_WORK/saved.pdf" "$name"
preview_close "$prev" "$win" escape
only_windows "Табель" "Табель по времени"

click "$win" $PRINT_X $PRINT_Y
prev=$(preview_opened "$win") || fail "the preview of the per-shift timesheet, opened again"
preview_close "$prev" "$win" close
only_windows "Табель" "Табель по времени"

key Escape
wait_gone "$win" || fail "the per-shift timesheet did not close with Escape"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back"
only_windows "Табель"
echo "shift_print: passed"
