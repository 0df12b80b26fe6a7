#!/usr/bin/env bash
# Installs what is missing, builds the client (only the client: the tests are built by
# scripts/test.sh), starts the private PostgreSQL cluster with the schema and the demo data, and
# runs the client against it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release sdelka
eval "$(scripts/pg-cluster.sh start build/pg-run --demo)"
exec build/release/sdelka "$SDELKA_PGDATABASE" "$PGHOST"
