#!/usr/bin/env bash
# Signing in: a wrong access word is refused with a message box owned by the sign-in window,
# the right one opens the main window; Выход closes it and the program ends cleanly.
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
x11_start
client_start

login=$(wait_window '^Авторизация' 60) || fail "no sign-in window"
focus "$login"
type_text "wrong"
key Return
box=$(wait_window '^Ошибка$') || fail "a wrong access word was not refused"
modal_over "$box" "$login" "the error box"
key Return
wait_gone "$box" || fail "the error box stayed"
wait_active "$login" || fail "the sign-in window did not get the activation back"
key ctrl+a BackSpace
sign_in
only_windows "Табель"

# Выход at the main window's bottom right (below the menu bar)
click "$X11_MAIN" 1221 582
wait_exit 30 || fail "the program did not end after Выход"
[ "$X11_RC" = 0 ] || fail "the program ended with $X11_RC"
echo "sign_in: passed"
