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
# The ten slowest tests of the run, after its result.
status=0
mkdir -p Testing
ctest --output-on-failure -j "$jobs" "$@" | tee Testing/ci-run.log || status=$?
echo "The ten slowest tests:"
grep -E '^ *[0-9]+/[0-9]+ Test +#' Testing/ci-run.log | sed -E 's/^.*Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/' |
  sort -rn | head -10 | awk '{printf "  %8.2f s  %s\n", $1, $2}'
exit "$status"
