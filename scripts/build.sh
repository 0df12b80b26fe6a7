#!/usr/bin/env bash
# Builds one configuration: release (the client) or asan (tests under the sanitizers).
#   scripts/build.sh [release|asan] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-release}; shift || true
case "$kind" in
  release) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    flags=(-DCMAKE_BUILD_TYPE=Debug -DSDELKA_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-Og -g1") ;;
  *) echo "usage: $0 [release|asan] [targets...]"; exit 2 ;;
esac
dir=build/$kind
# A developer machine with ccache shares compiled units between checkouts; CI has none.
command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
fi
if [ $# -gt 0 ]; then
  cmake --build "$dir" --target "$@"
else
  cmake --build "$dir"
fi
