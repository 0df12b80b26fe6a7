#!/usr/bin/env bash
# Отчеты → Сводные отчеты: each of the four period reports opens its preview modal over the
# reports dialog; the preview pages forward and back, closes with Escape or with Close, and the
# dialog takes input again. The first report is also searched for a Cyrillic word, printed to the
# "PDF file" printer and saved as PDF, both read back. The dialog closes with Выход.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
client_start
sign_in

# Places in the reports dialog's client area: its buttons, top to bottom.
WORKERS=182 PRODUCTS=214 WORKERS_DETAIL=246 PRODUCTS_DETAIL=278 QUIT=362

menu 2 0
dlg=$(wait_window '^Отчеты \(8\)$') || fail "no reports dialog"
wait_active "$dlg" || fail "the reports dialog does not have the activation"

how=escape
for button in $WORKERS $PRODUCTS $WORKERS_DETAIL $PRODUCTS_DETAIL; do
  click "$dlg" 150 "$button"
  prev=$(preview_opened "$dlg") || fail "the preview of the report at $button"
  if [ "$button" = "$WORKERS" ]; then
    preview_search "$prev" "Итого"
    preview_print_pdf "$prev" "$X11_WORK/printed.pdf" "Отчет по рабочим" "Итого"
    preview_save_pdf "$prev" "$X11_WORK/saved.pdf" "Отчет по рабочим" "Итого"
  fi
  preview_close "$prev" "$dlg" "$how"
  [ "$how" = escape ] && how=close || how=escape
  only_windows "Табель" "Отчеты (8)"
done

click "$dlg" 150 $QUIT
wait_gone "$dlg" || fail "the reports dialog did not close"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back"
only_windows "Табель"
echo "reports: passed"
