#!/usr/bin/env bash
# Runs the end-to-end table (tests/e2e) against every gateway that has been built:
#   build/native/quillmate, build/sanitize/quillmate (if built) and, under Wine,
#   build/win64/quillmate.exe. The native and sanitizer gateways run the table a second
#   time as a persistent worker, each row a FastCGI request to it (qmt_e2e --fastcgi).
# Usage: tools/run-e2e.sh [--build-root DIR] [qmt_e2e flags, e.g. --gtest_filter=ErrorPage/*]
#        tools/run-e2e.sh --valgrind [--build-root DIR] [qmt_e2e flags]
# With --valgrind only the native gateway runs, each request under valgrind's memcheck: any
# error or leak (definite or indirect) fails the row, and the reports are printed at the end.
# Exits non-zero when a run fails, when a built gateway cannot be tested, or when nothing
# was built at all.
set -uo pipefail
cd "$(dirname "$0")/.."
build_root=build
valgrind=no
if [ "${1:-}" = "--valgrind" ]; then
    valgrind=yes
    shift
fi
if [ "${1:-}" = "--build-root" ] && [ $# -ge 2 ]; then
    build_root=$2
    shift 2
fi
wine=${QMT_WINE:-/usr/lib/wine/wine64}

# The runner is a host program: the native tree's, else the sanitizer tree's.
runner=
for tree in native sanitize; do
    if [ -x "$build_root/$tree/tests/qmt_e2e" ]; then
        runner=$build_root/$tree/tests/qmt_e2e
        break
    fi
done
if [ -z "$runner" ]; then
    echo "run-e2e: no qmt_e2e in $build_root/native or $build_root/sanitize: build the native preset first" >&2
    exit 2
fi

ran=0
failed=()
run() {
    local name=$1
    shift
    echo "==> end-to-end: $name"
    ran=$((ran + 1))
    if ! "$runner" "$@"; then
        failed+=("$name")
    fi
}

if [ "$valgrind" = yes ]; then
    # Reports go to files of their own: standard error is the probe's trace, and a request
    # may run with it closed. The log of a clean run is empty.
    logs=$(mktemp -d)
    trap 'rm -rf "$logs"' EXIT
    run "native under valgrind" --gateway "$build_root/native/quillmate" --launcher /usr/bin/valgrind \
        --launcher-arg=--quiet --launcher-arg=--error-exitcode=99 --launcher-arg=--leak-check=full \
        --launcher-arg=--show-leak-kinds=definite,indirect --launcher-arg=--errors-for-leak-kinds=definite,indirect \
        --launcher-arg=--log-file="$logs/%p.log" \
        --launcher-arg=--suppressions="$PWD/tests/objects/valgrind.supp" --timeout-ms 60000 "$@"
    for log in "$logs"/*.log; do
        # Only valgrind's own lines count: a request started with standard output closed
        # writes into the log that valgrind opened in its place.
        grep -q '^==[0-9]*==' "$log" || continue
        echo "--- $log" >&2
        cat "$log" >&2
        failed+=("valgrind report")
    done
    for name in "${failed[@]}"; do
        echo "run-e2e: FAILED: $name" >&2
    done
    [ ${#failed[@]} -eq 0 ]
    exit
fi

if [ -x "$build_root/native/quillmate" ]; then
    run native --gateway "$build_root/native/quillmate" "$@"
    run "native, FastCGI worker" --gateway "$build_root/native/quillmate" --fastcgi "$@"
fi
if [ -x "$build_root/sanitize/quillmate" ]; then
    # A sanitizer report (leaks included) ends the gateway with a failure status, which
    # fails the row; the report is shown with it. The caller's sanitizer options apply.
    sanitizer_options=(--pass-env ASAN_OPTIONS --pass-env UBSAN_OPTIONS --pass-env LSAN_OPTIONS)
    run sanitize --gateway "$build_root/sanitize/quillmate" "${sanitizer_options[@]}" "$@"
    # The worker's report comes when it ends, after the last row, and fails the run.
    run "sanitize, FastCGI worker" --gateway "$build_root/sanitize/quillmate" --fastcgi "${sanitizer_options[@]}" "$@"
fi
if [ -f "$build_root/win64/quillmate.exe" ]; then
    if [ -x "$wine" ]; then
        run win64 --gateway "$build_root/win64/quillmate.exe" --launcher "$wine" \
            --probe "$build_root/win64/tests/objects/qmtprobe.dll" "$@"
    else
        echo "run-e2e: $build_root/win64 is built but $wine is missing" >&2
        failed+=("win64 (no Wine)")
    fi
fi

if [ "$ran" -eq 0 ] && [ ${#failed[@]} -eq 0 ]; then
    echo "run-e2e: no gateway built under $build_root" >&2
    exit 2
fi
for name in "${failed[@]}"; do
    echo "run-e2e: FAILED: $name" >&2
done
[ ${#failed[@]} -eq 0 ]
