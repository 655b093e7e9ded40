#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the engine, the command-line tool and
# the Qt window natively under sanitizers; the Windows programs under wine; the packages; the fuzz targets
# briefly; the benchmark once on a tiny corpus; clang-tidy on the project's sources.
#
# Two lanes run side by side, each building its presets once: here the native build, its tests, the fuzz run
# and clang-tidy; beside it the Windows build, the wine tests, the packages (their zip reuses that Windows
# build) and the benchmark smoke (with the packaged tool). The other lane's output goes to build/logs/ and is
# shown when it ends; the time of every stage is printed at the end.
#
# Long campaigns are short here. The long runs:
#   FUZZ_SECONDS=600 tools/test-fuzz.sh    (10 minutes a fuzz target instead of FUZZ_SECONDS=20)
#   bench/run                              (the full benchmark against its peers, results in bench/results/)
#   LUMIVEX_TIDY=all tools/test.sh         (clang-tidy on the tests too, not only on the programs)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-packages.sh build-essential cmake libgtest-dev libimage-exiftool-perl exiv2 python3 file \
    libjpeg62-turbo-dev libjpeg-turbo-progs imagemagick libfmt-dev libfreetype-dev pkgconf fonts-dejavu-core python3-pil \
    qt6-base-dev qt6-tools-dev qt6-l10n-tools fonts-ipafont-gothic xfsprogs clang clang-tidy \
    libclang-rt-14-dev make googletest g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 fonts-wine xvfb xauth \
    locales dpkg-dev lintian desktop-file-utils man-db groff-base bash-completion unzip hyperfine time strace ||
    exit 1

export FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
jobs=$(nproc)
logs=$root/build/logs
mkdir -p "$logs"
times=$logs/stage-times
: >"$times"
: >"$logs/failed-stages"

# stage NAME COMMAND...: runs the command, prints and records how many seconds it took and whether it failed.
stage() {
    local name=$1
    shift
    local started status=0
    started=$(date +%s)
    echo "== $name"
    # Each stage's output is kept, so that a failure can be shown again at the end, where CI's tail shows it.
    local log="$logs/stage-${name//[^a-zA-Z0-9]/_}.log"
    "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    local took=$(($(date +%s) - started))
    local verdict=ok
    [ $status -eq 0 ] || verdict="FAILED (exit $status)"
    echo "-- $name: $took s, $verdict"
    printf '%-28s %5d s  %s\n' "$name" "$took" "$verdict" >>"$times"
    [ $status -eq 0 ] || echo "$log" >>"$logs/failed-stages"
    return $status
}

native_build() { cmake --preset dev >/dev/null && cmake --build --preset dev -j"$jobs"; }
native_tests() { ctest --preset dev -j"$jobs"; }
bench_smoke() { bench/run --tiny --lumivex build/package/cli/lumivex; }

# clang-tidy on the sources of the programs (the whole tree with LUMIVEX_TIDY=all), from the native build's
# compile commands.
tidy() {
    local filter='/(engine|imaging|cli|lib|app/core|app/qt)/'
    [ "${LUMIVEX_TIDY:-}" = all ] && filter='/(engine|imaging|cli|lib|app|tests)/'
    # Its colours go: findings print as "file:line:col: warning: ... [check]", and any of them fails the stage.
    run-clang-tidy -quiet -j "$jobs" -p build/dev "$root$filter" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' \
        >"$logs/clang-tidy.log"
    local status=${PIPESTATUS[0]}
    if grep -E ': (warning|error): ' "$logs/clang-tidy.log"; then return 1; fi
    [ $status -eq 0 ] || tail -n 30 "$logs/clang-tidy.log"
    return $status
}

windows_lane() {
    local failed=0
    stage "windows build and tests" tools/test-windows.sh || failed=1
    stage "packages" tools/test-package.sh || failed=1
    stage "benchmark smoke" bench_smoke || failed=1
    return $failed
}

started=$(date +%s)
echo "== Windows build and tests, packages and the benchmark smoke run beside, output in $logs/windows-lane.log"
windows_lane >"$logs/windows-lane.log" 2>&1 &
windows_pid=$!

failed=0
if stage "native build" native_build; then
    stage "native tests" native_tests || failed=1
    stage "clang-tidy" tidy || failed=1
else
    failed=1
fi
stage "fuzz (${FUZZ_SECONDS} s a target)" tools/test-fuzz.sh || failed=1
# The other suites add themselves as tools/test-*.sh and run here.
for suite in tools/test-*.sh; do
    case $suite in
    tools/test-windows.sh | tools/test-package.sh | tools/test-fuzz.sh | tools/test-bench.sh) continue ;;
    esac
    stage "$suite" "$suite" || failed=1
done

echo "== waiting for the Windows lane"
wait "$windows_pid" || failed=1
cat "$logs/windows-lane.log"

echo
echo "== time of each stage (the Windows lane ran beside the others)"
cat "$times"
echo "total: $(($(date +%s) - started)) s"
if [ $failed -ne 0 ]; then
    while read -r log; do
        echo
        echo "== the end of $(basename "$log"), a stage that failed"
        tail -n 80 "$log"
    done <"$logs/failed-stages"
    echo "Some stage failed; see above." >&2
    exit 1
fi
echo "All tests passed"
