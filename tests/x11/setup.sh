#!/usr/bin/env bash
# Makes (setup) or drops (cleanup) the database that every case of the X11 suite copies: the
# schema and the demo factory. Skipped (77) where the suite cannot run: no private cluster, or no
# virtual X server, xdotool or window manager.
#   tests/x11/setup.sh setup|cleanup
set -uo pipefail
source "$(dirname "$0")/driver.sh"
x11_can_run || exit 77
q() { PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 "$@"; }
case "$1" in
  setup)
    q -d postgres -c "DROP DATABASE IF EXISTS $X11_TEMPLATE" -c "CREATE DATABASE $X11_TEMPLATE" || exit 1
    q -d "$X11_TEMPLATE" -f "$SDELKA_SOURCE/db/schema.sql" -f "$SDELKA_SOURCE/db/demo.sql" >/dev/null || exit 1
    ;;
  cleanup)
    q -d postgres -c "DROP DATABASE IF EXISTS $X11_TEMPLATE"
    ;;
esac
