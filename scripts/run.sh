#!/usr/bin/env bash
# Installs what is missing, builds the client, starts the private PostgreSQL cluster with the
# schema and the demo data, and runs the client against it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
if [ ! -x build/release/sdelka ]; then
  echo "Built. The client itself is not there yet: build/release holds the libraries only."
  exit 0
fi
eval "$(scripts/pg-cluster.sh start build/pg-run --demo)"
exec build/release/sdelka "$SDELKA_PGDATABASE" "$PGHOST"
