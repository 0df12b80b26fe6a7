#!/usr/bin/env bash
# Prints what a build cost per library, from the Ninja log of a build folder: the seconds each
# compile, precompiled header, code generator and link took, summed per library and per test
# executable, largest first. On a machine that is not oversubscribed the seconds of a job are
# its CPU seconds, so after a clean build the table shows where the build's time goes.
#   scripts/build-report.sh [build folder (default build/asan)] [--last]
# --last counts only the jobs of the last Ninja run (what an incremental rebuild cost); by default
# every output counts once, with its latest time.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/asan
last=0
for a in "$@"; do
  case "$a" in
    --last) last=1 ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) dir=$a ;;
  esac
done
log=$dir/.ninja_log
[ -f "$log" ] || { echo "no Ninja log in $dir (build it first)" >&2; exit 1; }

awk -v last="$last" '
  # Lines: start end mtime output hash (times in ms, relative to the start of their Ninja run).
  /^#/ { next }
  {
    n++
    start[n] = $1; end[n] = $2; out[n] = $4
    # Within one run the log is appended in order of completion; a smaller end time starts a run.
    if (n > 1 && $2 < end[n - 1]) firstOfLastRun = n
  }
  END {
    if (firstOfLastRun == 0) firstOfLastRun = 1
    from = last ? firstOfLastRun : 1
    for (i = from; i <= n; i++) latest[out[i]] = end[i] - start[i]
    for (o in latest) {
      t = o
      if (match(t, /CMakeFiles\/[^\/]+\.dir\//)) {
        t = substr(t, RSTART + 11, RLENGTH - 16)
      } else if (match(t, /^[^\/]+_autogen\//)) {
        t = substr(t, 1, RLENGTH - 9)
      } else if (match(t, /^lib[^\/]+\.a$/)) {
        t = substr(t, 4, RLENGTH - 5)
      } else if (t ~ /\//) {
        t = "(other)"
      }
      sec[t] += latest[o] / 1000.0
      jobs[t]++
      total += latest[o] / 1000.0
    }
    for (t in sec) printf "%10.1f %6d  %s\n", sec[t], jobs[t], t
    printf "TOTAL %10.1f\n", total
  }' "$log" | {
    rows=$(grep -v '^TOTAL' | sort -rn)
    total=$(echo "$rows" | awk '{s += $1} END {printf "%.1f", s}')
    printf '%-28s %10s %6s %6s\n' target seconds jobs share
    echo "$rows" | awk -v total="$total" '$1 != "" { printf "%-28s %10.1f %6d %5.1f%%\n", $3, $1, $2, (total > 0 ? 100 * $1 / total : 0) }'
    printf '%-28s %10.1f\n' total "$total"
  }
