#!/usr/bin/env bash
# The production record through its card: a worker and an operation picked by searching their
# lists, the quantity, the hours and a typed date. Hours that cannot be (7,5 and 75) are refused
# with a message and nothing is written; 8 hours are saved with the date typed. The main window's
# first record is then edited and deleted; a card closed with Escape writes nothing.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
client_start
sign_in

day=$(date -d "yesterday" +%d.%m.%Y)
iso=$(date -d "yesterday" +%Y-%m-%d)
count() { sql "select count(*) from accounts_dep.smena where data = '$iso' and smena = 1"; }
before=$(count)

# Places (below the main window's menu bar): Добавить, Изменить, Удалить, the grid's first row.
ADD=(63 582) EDIT=(181 582) DEL=(299 582) ROW1=86
# In the card: the pickers' buttons, the quantity, the hours, the date's day, Запись, Выход.
WORKER=(353 40) OPERATION=(353 70) QTY=(138 100) HOURS=(318 100) CARD_DATE=(282 130)
SAVE=(63 275) QUIT=(323 275)
DELETE_CAPTION='^Удаление$'

# Replaces an edit's text: a click into it, all selected, the new text typed.
set_text() { click "$1" "$2" "$3"; key End shift+Home; type_text "$4"; }

refused() {
  local box
  click "$card" "${SAVE[@]}"
  box=$(wait_window '^Ошибка$') || fail "$1 were not refused"
  modal_over "$box" "$card" "the error box"
  key Return
  wait_gone "$box" || fail "the error box stayed"
  [ "$(count)" = "$before" ] || fail "$1 were refused but a record was written"
}

click "$X11_MAIN" "${ADD[@]}"
card=$(wait_window '^Заведение новой позиции') || fail "no record card"
modal_over "$card" "$X11_MAIN" "the record card"

click "$card" "${WORKER[@]}"
list=$(wait_window '^Список рабочих$') || fail "no worker list"
modal_over "$list" "$card" "the worker list"
xdotool type --delay 150 "Петров"
key Return
wait_gone "$list" || fail "the worker list stayed"
wait_active "$card" || fail "the card did not get the activation back from the worker list"

click "$card" "${OPERATION[@]}"
list=$(wait_window '^Цены \(4\)$') || fail "no operation list"
modal_over "$list" "$card" "the operation list"
xdotool type --delay 150 "СТ-100"
key Return
wait_gone "$list" || fail "the operation list stayed"
wait_active "$card" || fail "the card did not get the activation back from the operation list"

set_text "$card" "${QTY[@]}" 10
click "$card" "${CARD_DATE[@]}"
type_text "${day//./}"
set_text "$card" "${HOURS[@]}" "7,5"
refused "7,5 hours"
set_text "$card" "${HOURS[@]}" 75
refused "75 hours"
set_text "$card" "${HOURS[@]}" 8
click "$card" "${SAVE[@]}"
wait_for 20 sh -c "[ \"\$(psql -qXAt -d $X11_DB -c \"select count(*) from accounts_dep.smena where data = '$iso' and smena = 1\")\" = $((before + 1)) ]" \
  || fail "the record was not saved at the typed date $day"
[ "$(sql "select kol_vo || ' ' || time from accounts_dep.smena where data = '$iso' order by id desc limit 1")" = "10 8" ] \
  || fail "the saved record does not hold 10 pieces in 8 hours"
click "$card" "${QUIT[@]}"
wait_gone "$card" || fail "the record card did not close"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back"
only_windows "Табель"

# Escape closes a card with something typed into it, and nothing is written.
before=$(count)
click "$X11_MAIN" "${ADD[@]}"
card=$(wait_window '^Заведение новой позиции') || fail "no record card"
modal_over "$card" "$X11_MAIN" "the record card"
set_text "$card" "${QTY[@]}" 5
key Escape
wait_gone "$card" || fail "the record card did not close with Escape"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back after Escape"
[ "$(count)" = "$before" ] || fail "closing the card with Escape wrote a record"
only_windows "Табель"

# The main window's first record edited to 77 pieces (a quantity the demo data has nowhere),
# then deleted.
total() { sql "select count(*) from accounts_dep.smena"; }
seventy_seven() { sql "select count(*) from accounts_dep.smena where kol_vo = 77"; }
all=$(total)
click "$X11_MAIN" 150 $ROW1
click "$X11_MAIN" "${EDIT[@]}"
card=$(wait_window '^Изменение данных о позиции') || fail "no record card to edit"
modal_over "$card" "$X11_MAIN" "the record card"
set_text "$card" "${QTY[@]}" 77
click "$card" "${SAVE[@]}"
wait_for 20 sh -c "[ \"\$(psql -qXAt -d $X11_DB -c 'select count(*) from accounts_dep.smena where kol_vo = 77')\" = 1 ]" \
  || fail "the edited record does not hold 77 pieces"
[ "$(total)" = "$all" ] || fail "editing changed the number of records"
click "$card" "${QUIT[@]}"
wait_gone "$card" || fail "the record card did not close"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back"

click "$X11_MAIN" 150 $ROW1
click "$X11_MAIN" "${DEL[@]}"
box=$(wait_window "$DELETE_CAPTION") || fail "no question before deleting"
modal_over "$box" "$X11_MAIN" "the question"
key Return
wait_gone "$box" || fail "the question stayed"
wait_for 20 sh -c "[ \"\$(psql -qXAt -d $X11_DB -c 'select count(*) from accounts_dep.smena where kol_vo = 77')\" = 0 ]" \
  || fail "the record was not deleted"
[ "$(total)" = "$((all - 1))" ] || fail "deleting removed more or less than the one record"
wait_active "$X11_MAIN" || fail "the main window did not get the activation back"
only_windows "Табель"
echo "record_card: passed"
