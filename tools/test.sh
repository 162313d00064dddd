#!/usr/bin/env bash
# The whole test suite: set-up, the Windows build with its tests under Wine, and the
# platform-free modules natively under AddressSanitizer+UBSan and ThreadSanitizer.
#   tools/test.sh            everything
#   tools/test.sh windows    one configuration (windows, native, native-tsan)
set -uo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh || exit 1

configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(windows native native-tsan)

total_pass=0
total_fail=0
failed_configs=()
for c in "${configs[@]}"; do
  echo "== $c: configure and build"; mkdir -p build
  if ! cmake --preset "$c" >"build/$c.log" 2>&1; then
    cat "build/$c.log"; failed_configs+=("$c (configure)"); total_fail=$((total_fail + 1)); continue
  fi
  if ! cmake --build --preset "$c" >>"build/$c.log" 2>&1; then
    grep -E -B2 -A8 'error|FAILED' "build/$c.log" | head -80
    failed_configs+=("$c (build)"); total_fail=$((total_fail + 1)); continue
  fi
  rm -f "build/$c.log"
  echo "== $c: tests"
  out=$(ctest --preset "$c" 2>&1)
  rc=$?
  echo "$out" | grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|\*\*\*|Failure|FAILED' | head -200
  [ $rc -eq 0 ] || { echo "$out" | tail -60; failed_configs+=("$c"); }
  # ctest's own summary: "NN% tests passed, F tests failed out of T".
  line=$(echo "$out" | grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' | tail -1)
  if [ -n "$line" ]; then
    t=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    f=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/')
    total_pass=$((total_pass + t - f)); total_fail=$((total_fail + f))
  elif [ $rc -ne 0 ]; then
    total_fail=$((total_fail + 1))
  fi
done

echo
[ ${#failed_configs[@]} -eq 0 ] || echo "failing: ${failed_configs[*]}"
echo "$total_pass passed, $total_fail failed"
[ $total_fail -eq 0 ] && [ ${#failed_configs[@]} -eq 0 ]
