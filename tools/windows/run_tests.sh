#!/usr/bin/env bash
# Runs the Windows test program under Wine, one suite to a process, as many
# at once as there are cores, each within a time limit: a suite that hangs
# or crashes is named and the others still run. Logs go to LOG_DIR.
#   run_tests.sh TESTS_EXE LOG_DIR
# Expects wine_env.sh's Wine server and display to be running.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"
exe="$1" logs="$2"
rm -rf "$logs"
mkdir -p "$logs"
export WINEQT_QPA_PLATFORM=offscreen wine exe logs

# Windows writes the list with CRLF; a suite's line is its name and a dot.
# Into a file, not a pipe: the Wine services the first program starts keep
# its output open for as long as they run.
"$wine" "$exe" --gtest_list_tests </dev/null >"$logs/list.txt" 2>&1 || true
suites="$(tr -d '\r' <"$logs/list.txt" | sed -n 's/^\([A-Za-z0-9_]*\)\.$/\1/p')"
[ -n "$suites" ] || { echo "the Windows test program lists no tests"; exit 1; }

run_suite() {
  local suite="$1"
  timeout -k 5 "${KOVRA_SUITE_TIMEOUT:-300}" "$wine" "$exe" --gtest_filter="$suite.*" \
    </dev/null >"$logs/$suite.log" 2>&1
  echo "$?" >"$logs/$suite.status"
}
export -f run_suite
echo "$suites" | xargs -P "$(nproc)" -I{} bash -c 'run_suite {}'

# The number gtest gives in the line that starts with the pattern; 0 if none.
number_after() {
  local found
  found="$(sed -n "s/^$1 \([0-9]*\) tests\?.*/\1/p" "$2" | head -1)"
  echo "${found:-0}"
}
ran=0 passed=0 skipped=0 failed_suites=()
for suite in $suites; do
  log="$logs/$suite.log"
  ran=$((ran + $(number_after '\[==========\]' "$log")))
  passed=$((passed + $(number_after '\[  PASSED  \]' "$log")))
  skipped=$((skipped + $(number_after '\[  SKIPPED \]' "$log")))
  status="$(cat "$logs/$suite.status")"
  if [ "$status" != 0 ]; then
    failed_suites+=("$suite")
    case "$status" in
      124 | 137) echo "$suite: did not end within its time limit; last lines:"; tail -n 3 "$log" ;;
      *) grep -E '^\[  FAILED  \] .*\(|Failure.?$' -A4 "$log" | head -40 || tail -n 5 "$log" ;;
    esac
  fi
done
echo "Windows: $ran tests ran under Wine, $passed passed, $skipped skipped" \
  "(logs: $logs)"
if [ "${#failed_suites[@]}" -gt 0 ]; then
  echo "Windows suites that failed: ${failed_suites[*]}"
  exit 1
fi
