#!/usr/bin/env bash
# Installs what is missing, builds under AddressSanitizer and UndefinedBehaviorSanitizer, starts a
# private PostgreSQL cluster for the database tests and runs every test.
#   scripts/test.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
scripts/build.sh asan
if [ -x scripts/pg-cluster.sh ]; then
  eval "$(scripts/pg-cluster.sh start build/pg-test)"
  trap '"$root"/scripts/pg-cluster.sh stop "$root"/build/pg-test >/dev/null 2>&1 || true' EXIT
fi
jobs=$(nproc 2>/dev/null || echo 2)
cd build/asan
ctest --output-on-failure -j "$jobs" "$@"
