#!/usr/bin/env bash
# Справочники: each directory opens modal over the main window, its list narrows to what is typed
# into its search line (the operations' list has none: it moves with the keys), and it closes with
# Escape, giving the activation back.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
client_start
sign_in

SEARCH=(200 357)       # the search line under the list
LIST=(8 8 540 320)     # the list
check_directory() {
  local item=$1 title=$2 word=$3 win before
  menu 0 "$item"
  win=$(wait_window "^$title\$") || fail "no window $title"
  modal_over "$win" "$X11_MAIN" "$title"
  before=$(wait_stable_pixels "$win" "${LIST[@]}") || fail "$title shows no list"
  if [ -n "$word" ]; then
    click "$win" "${SEARCH[@]}"
    xdotool type --delay 150 "$word"
    wait_pixels_change "$win" "$before" "${LIST[@]}" >/dev/null || fail "the search for $word did not narrow $title"
  else
    key Down    # a list with no search line: the keys move through it
    wait_pixels_change "$win" "$before" "${LIST[@]}" >/dev/null || fail "$title takes no keys"
  fi
  key Escape
  wait_gone "$win" || fail "$title did not close with Escape"
  wait_active "$X11_MAIN" || fail "the main window did not get the activation back from $title"
  only_windows "Табель"
}

check_directory 0 "Список рабочих" "Пет"
check_directory 1 "Изделия \(3\)" "ШМ"
check_directory 2 "Цены \(4\)" "СТ-1"
check_directory 3 "Виды операций \(8\)" ""
check_directory 4 "Номенклатура \(26\)" "Тел"
echo "directories: passed"
