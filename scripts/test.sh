#!/usr/bin/env bash
# Sets up (when needed), builds, then runs every test: the Windows programs'
# tests under Wine and the native ones under the sanitizers, all inside a
# private network namespace with its own X display and Wine prefix.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/lib/common.sh"
. "$ROOT/scripts/lib/hosts.sh"

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"

OUT=$BUILD/test-output
rm -rf "$OUT"; mkdir -p "$OUT"
trap 'host_down; teacher_host_down' EXIT
host_up test
teacher_host_up "$HOST_NS"

# One ctest run over the native, fuzz and Windows trees: the 32-bit programs
# where this machine runs them, else their 64-bit build.
win_arch_note
cat > "$BUILD/CTestTestfile.cmake" <<CTEST
subdirs("$NATIVE_BUILD" "$FUZZ_BUILD" "$WIN_RUN_BUILD")
CTEST

set +e
ip netns exec "$HOST_NS" env $(wine_env "$HOST_PREFIX" "$HOST_DN") ZELVO_TEST_OUTPUT="$OUT" \
    ZELVO_TEST_OUTPUT_WIN="Z:${OUT//\//\\}" ASAN_OPTIONS=detect_leaks=1 \
    ctest --test-dir "$BUILD" -j "${CTEST_JOBS:-$(nproc)}" --output-on-failure --timeout 300 \
    --repeat until-pass:2 >"$BUILD/ctest.log" 2>&1
rc=$?
set -e
host_down >/dev/null 2>&1
teacher_host_down >/dev/null 2>&1
trap - EXIT
# The full log stays in the build tree; the summary ends the output.
log=$BUILD/ctest.log
grep -a -v -E '^ *Start |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed ' "$log" || true
failures=()
# A failed test runs once more: under a heavy load Wine now and then ends a
# test program at its start. A program a test started that died is no such
# accident: it fails the run even when the second run passed.
while IFS= read -r death; do
    failures+=("$death")
done < <(grep -a -o 'watched program died in .*' "$log" | tr -d '\r' | sed 's/^watched program died in //' | sort -u)
# A test program whose list of tests could not be read stops ctest with a
# CMake error; the error names the program.
while IFS= read -r program; do
    failures+=("its tests could not be listed: $program (see $log)")
done < <(grep -a -A2 'Error running test executable' "$log" | sed -n "s/^ *Path: '\(.*\)'.*/\1/p" | sed 's/.* //' | sort -u)
if grep -a -q '^CMake Error' "$log" && ! grep -a -q 'Error running test executable' "$log"; then
    failures+=("ctest could not read the tests (see the CMake error in $log)")
fi
# One that lists no tests (it ended at once, say) leaves an empty list, and
# its tests silently go missing from the run. The list is kept until the
# program is built again: removed, it is asked for afresh next time.
while IFS= read -r include; do
    list=${include%_include.cmake}_tests.cmake
    if [ -f "$list" ] && ! grep -q '^ *add_test(' "$list"; then
        program=$(basename "${include%\[*}")
        failures+=("lists no tests: $program")
        rm -f "$list"
    fi
done < <(find "$NATIVE_BUILD" "$FUZZ_BUILD" "$WIN_RUN_BUILD" -name CTestTestfile.cmake -exec \
             sed -n 's/^include("\(.*_include\.cmake\)")$/\1/p' {} + | sort -u)
again=$(grep -a -E 'Test +#[0-9]+: .*\*\*\*' "$log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*/\1/' | sort -u || true)
[ -n "$again" ] && [ $rc -eq 0 ] && echo "note: passed on a second run: $(echo $again)"
if [ ${#failures[@]} -gt 0 ]; then
    echo "the test run failed:"
    printf '  %s\n' "${failures[@]}"
    [ $rc -ne 0 ] || rc=1
fi
exit $rc
