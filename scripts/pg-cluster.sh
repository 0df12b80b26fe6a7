#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests and the local run: its own data folder, a Unix socket
# in a folder of its own (no TCP at all), trust authentication, fsync off.
#
#   scripts/pg-cluster.sh start <dir> [--demo]
#       Creates the cluster in <dir> (relative to the repository root) when it is not there, starts
#       it unless it already runs, and with --demo creates the database "sdelka" from db/schema.sql
#       and db/demo.sql once. Prints only export lines on stdout, for
#           eval "$(scripts/pg-cluster.sh start build/pg-test)"
#       PGHOST (socket folder), PGPORT, PGUSER (the superuser), SDELKA_PGDATABASE. Progress and
#       errors go to stderr.
#   scripts/pg-cluster.sh stop <dir>
#
# The superuser is "sys" with the password "vexplum": the user and password of the client's
# connection string. The socket is named after port 5432, the client's fixed port; with no TCP
# listener that port cannot clash with another server.
# As root the server runs as the system user "postgres" (initdb refuses root).
set -euo pipefail

readonly DB_USER=sys
readonly DB_PASSWORD=vexplum
readonly DB_PORT=5432
readonly DEMO_DB=sdelka

exec 3>&1 1>&2          # stdout is only for the export lines
say() { echo "pg-cluster: $*"; }
die() { echo "pg-cluster: $*"; exit 1; }

usage() { die "usage: $0 start <dir> [--demo] | stop <dir>"; }
[ $# -ge 2 ] || usage
cmd=$1; dir=$2; shift 2
demo=0
for a in "$@"; do
  case "$a" in
    --demo) demo=1 ;;
    *) usage ;;
  esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "$cmd" = stop ] && [ ! -d "$dir" ]; then exit 0; fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
data=$dir/data
log=$dir/server.log

# Server binaries: those of the cluster's version when it exists, else the newest installed
# version, else whatever is on PATH.
bindir=""
candidates=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r)
if [ -f "$data/PG_VERSION" ]; then
  candidates="/usr/lib/postgresql/$(cat "$data/PG_VERSION")/bin $candidates"
fi
for d in $candidates; do
  if [ -x "$d/pg_ctl" ] && [ -x "$d/initdb" ]; then bindir=$d; break; fi
done
if [ -z "$bindir" ]; then
  if command -v pg_config >/dev/null && [ -x "$(pg_config --bindir)/pg_ctl" ]; then
    bindir=$(pg_config --bindir)
  elif command -v pg_ctl >/dev/null; then
    bindir=$(dirname "$(command -v pg_ctl)")
  else
    die "no PostgreSQL server found (install the package postgresql)"
  fi
fi
psql_bin=$bindir/psql
[ -x "$psql_bin" ] || psql_bin=$(command -v psql) || die "psql not found"

# The socket path is limited to about 100 bytes; a deep folder gets a short one under /tmp.
sock=$dir/socket
if [ ${#sock} -gt 80 ]; then
  sock=/tmp/sdelka-pg-$(printf '%s' "$dir" | md5sum | cut -c1-12)
fi

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

if [ "$(id -u)" -eq 0 ]; then
  id postgres >/dev/null 2>&1 || die "running as root needs the system user postgres (package postgresql)"
fi

running() { [ -f "$data/postmaster.pid" ] && as_server "$bindir/pg_ctl" -D "$data" status >/dev/null 2>&1; }

case "$cmd" in
  stop)
    if [ -f "$data/PG_VERSION" ] && running; then
      as_server "$bindir/pg_ctl" -D "$data" -m fast -w stop >/dev/null
      say "stopped $dir"
    fi
    exit 0 ;;
  start) ;;
  *) usage ;;
esac

# One start at a time per cluster folder.
exec 9>"$dir/.lock"
flock 9

mkdir -p "$sock"
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir" "$sock"
  runuser -u postgres -- test -w "$dir" ||
    die "the system user postgres cannot write $dir (check the permissions of its parent folders)"
fi

if [ ! -f "$data/PG_VERSION" ]; then
  say "creating a cluster in $dir"
  rm -rf "$data"
  locale=C.UTF-8
  if locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then locale=ru_RU.UTF-8; fi
  pwfile=$dir/.pw
  printf '%s\n' "$DB_PASSWORD" >"$pwfile"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$pwfile"
  as_server "$bindir/initdb" -D "$data" -U "$DB_USER" --pwfile="$pwfile" -A trust -E UTF8 \
    --locale="$locale" --lc-messages=C --no-sync >"$dir/initdb.log" 2>&1 ||
    { rm -f "$pwfile"; cat "$dir/initdb.log"; die "initdb failed"; }
  rm -f "$pwfile"
  as_server tee -a "$data/postgresql.conf" >/dev/null <<EOF

# Private cluster of the project (scripts/pg-cluster.sh)
listen_addresses = ''
port = $DB_PORT
unix_socket_directories = '$sock'
fsync = off
synchronous_commit = off
full_page_writes = off
datestyle = 'iso, dmy'
lc_messages = 'C'
max_connections = 200
EOF
fi

# The socket folder may have changed (the cluster folder moved, or /tmp was cleaned).
if ! grep -q "^unix_socket_directories = '$sock'\$" "$data/postgresql.conf"; then
  as_server sed -i "s|^unix_socket_directories = .*|unix_socket_directories = '$sock'|" "$data/postgresql.conf"
fi

if running; then
  say "reusing the running cluster in $dir"
else
  say "starting the cluster in $dir"
  # The server must not inherit the lock or the caller's stdout (eval "$(...)" waits for its end).
  as_server "$bindir/pg_ctl" -D "$data" -l "$log" -w -t 60 start >/dev/null 3>&- 9>&- ||
    { tail -20 "$log" 2>/dev/null; die "the server did not start (log: $log)"; }
fi

export PGHOST=$sock PGPORT=$DB_PORT PGUSER=$DB_USER PGDATABASE=postgres
psql_q() { PGOPTIONS="-c client_min_messages=warning" "$psql_bin" -X -q -v ON_ERROR_STOP=1 "$@"; }

if [ "$demo" -eq 1 ]; then
  exists=$(psql_q -At -c "select 1 from pg_database where datname = '$DEMO_DB'")
  if [ "$exists" != 1 ]; then
    say "creating the database $DEMO_DB with the demo data"
    tmp=${DEMO_DB}_loading
    psql_q -c "drop database if exists $tmp" -c "create database $tmp"
    if ! psql_q -d "$tmp" -f "$root/db/schema.sql" -f "$root/db/demo.sql" >/dev/null; then
      psql_q -c "drop database if exists $tmp"
      die "loading db/schema.sql and db/demo.sql failed"
    fi
    psql_q -c "alter database $tmp rename to $DEMO_DB"
  fi
fi

printf 'export PGHOST=%q; export PGPORT=%q; export PGUSER=%q; export SDELKA_PGDATABASE=%q\n' \
  "$sock" "$DB_PORT" "$DB_USER" "$DEMO_DB" >&3
