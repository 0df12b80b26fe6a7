#!/usr/bin/env bash
# Makes the large factory of bench/factory.sql in the private PostgreSQL cluster (PGHOST, PGPORT
# and PGUSER from scripts/pg-cluster.sh) as the database "factory", unless it is there already
# (--fresh drops and makes it again). Prints the database's name.
#   eval "$(scripts/pg-cluster.sh start build/pg-bench)" && bench/factory.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
db=${SDELKA_FACTORY_DB:-factory}
[ -n "${PGHOST:-}" ] || { echo "factory.sh: start the private cluster first (scripts/pg-cluster.sh)" >&2; exit 1; }
psql_q() { PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 "$@"; }
if [ "${1:-}" = --fresh ]; then psql_q -d postgres -c "drop database if exists $db"; fi
if [ "$(psql_q -d postgres -At -c "select 1 from pg_database where datname = '$db'")" != 1 ]; then
  tmp=${db}_making
  psql_q -d postgres -c "drop database if exists $tmp" -c "create database $tmp"
  psql_q -d "$tmp" -f "$root/db/schema.sql" -f "$root/bench/factory.sql" >/dev/null
  psql_q -d postgres -c "alter database $tmp rename to $db"
fi
echo "$db"
