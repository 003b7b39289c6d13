#!/usr/bin/env bash
# The whole test run, on a fresh Debian 12 machine as on a developer's:
#   installs what is missing, checks formatting and the layers of src/, builds native, win64,
#   win32 and the sanitizer build, checks the native gateway's exported symbols, runs the
#   unit tests natively, under the sanitizers and (win64) under Wine, runs the end-to-end
#   table against the native, sanitizer and win64 gateways (native and sanitizer also as a
#   FastCGI worker), compares CGI and FastCGI answers through lighttpd and nginx, tests the
#   installed SDK (Hello.World and Shop.Catalog built outside the tree, the registration tool), sweeps the
#   table with injected faults, runs it under valgrind, and runs each fuzzer briefly. Then the
#   deployment: the sample through lighttpd and Apache httpd (curl, wrk), the 60 s load run,
#   the browser test, the packages (.deb installed in an overlay root and serving, the .zip files).
# QMT_FUZZ_SECONDS sets how long each fuzzer runs (default 30).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh all || exit 1

passed=0
failed=0
failures=()
step() {
    local name=$1
    shift
    echo "==> $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "!!! FAILED: $name"
    fi
}

build() {
    cmake --preset "$1" >"build/$1.log" 2>&1 && cmake --build --preset "$1" >>"build/$1.log" 2>&1 \
        || { tail -40 "build/$1.log"; return 1; }
}

# Wine keeps its errors on (a failure explains itself) but not its fixme notes. Every Wine
# process starts without address-space randomisation: Debian's 64-bit Wine has no preloader,
# and about once in a thousand starts the randomly placed heap of its loader covers an
# address Wine must map, ending the process at once (see tests/e2e/target.cpp).
export WINEPREFIX="$root/build/wine-prefix" WINEDEBUG=fixme-all
wine() { setarch -R /usr/lib/wine/wine64 "$@"; }
mkdir -p "$WINEPREFIX"
# Built while the Wine prefix is made in the background: its first start takes seconds.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
wine wineboot </dev/null >/dev/null 2>&1 &
prefix_job=$!

step "formatting (tools/format.sh --check)" tools/format.sh --check
step "static checks (tools/tidy.sh)" tools/tidy.sh
step "layers (tools/check-layers.sh)" tools/check-layers.sh
for preset in native win64 win32 sanitize; do
    step "build $preset" build "$preset"
done
wait "$prefix_job" 2>/dev/null || true

# The native gateway exports exactly the runtime's symbols: those of the generated list.
exports_match() {
    diff <(nm -D --defined-only build/native/quillmate | awk '{ print $3 }' | sort) \
        <(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' build/native/generated/exports.list | sort)
}
step "exported symbols (native)" exports_match

step "unit tests (native)" build/native/tests/qmt_unit_tests --gtest_brief=1
step "unit tests (address and undefined-behaviour sanitizers)" build/sanitize/tests/qmt_unit_tests --gtest_brief=1
step "unit tests (win64 under Wine)" wine build/win64/tests/qmt_unit_tests.exe --gtest_brief=1
step "end-to-end cases" tools/run-e2e.sh
# The SDK as an author meets it: cmake --install into a temporary prefix, Hello.World and
# Shop.Catalog built outside the tree with the installed package, Hello.World registered with
# quillmate-register and driven.
step "SDK: installed package, Hello.World, quillmate-register" tests/sdk/sdk_test.sh build/native
step "FastCGI worker behind lighttpd and nginx, against CGI" tools/run-fastcgi-servers.sh
# The fault sweeps (tests/faults): the whole table again with every allocation failing in
# turn (sanitizer build: no invalid access, no leak), and with every write failing or coming
# back short in turn (native). About 6 minutes together on these machines.
sweep() {
    local tree=$1 kind=$2
    build/$tree/tests/qmt_e2e --gateway build/$tree/tests/quillmate_faults \
        --probe build/$tree/tests/objects/libqmtprobe.so --inject "$kind" --gtest_brief=1
}
step "fault sweep: every allocation failing in turn (sanitizers)" sweep sanitize allocation
step "fault sweep: every write failing in turn (native)" sweep native write
step "fault sweep: every write coming back short in turn (native)" sweep native short-write
# The table under valgrind's memcheck (native gateway): about 2 minutes.
step "end-to-end cases under valgrind" tools/run-e2e.sh --valgrind --gtest_brief=1

fuzz_seconds=${QMT_FUZZ_SECONDS:-30}
for fuzzer in build/sanitize/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    corpus="build/sanitize/corpus/$(basename "$fuzzer")"
    mkdir -p "$corpus"
    step "fuzz $(basename "$fuzzer") for ${fuzz_seconds}s" \
        "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" 2>build/sanitize/$(basename "$fuzzer").log
done

# The sample behind real web servers, each started on a free loopback port: a table of
# requests with curl and wrk for 10 s (every response and order file checked), about 25 s
# each; then wrk for 60 s at 16 connections through lighttpd.
step "web server: lighttpd (tests/servers/run.sh)" tests/servers/run.sh lighttpd
step "web server: Apache httpd (tests/servers/run.sh)" tests/servers/run.sh apache
step "web server: load, wrk for 60 s at 16 connections through lighttpd" tests/servers/run.sh load
step "browser: Chromium through playwright-core (tests/browser/run.sh)" tests/browser/run.sh
step "package: the .deb installed in an overlay root serves the sample" tests/package/run.sh
# The Windows packages carry the gateway, the sample's library and its templates.
zip_holds() {
    local preset=$1 listing
    (cd "build/$preset" && cpack >cpack.log 2>&1) || { tail -20 "build/$preset/cpack.log"; return 1; }
    listing=$(cmake -E tar tf "build/$preset"/packages/quillmate-*-"$preset".zip)
    for file in quillmate.exe samples/shop_catalog/shop_catalog.dll samples/shop_catalog/list.htm doc/README.md; do
        grep -q "/$file\$" <<<"$listing" || { echo "the $preset .zip lacks $file"; return 1; }
    done
}
step "package: the win64 .zip" zip_holds win64
step "package: the win32 .zip" zip_holds win32

/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
echo
for name in "${failures[@]}"; do
    echo "failed: $name"
done
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
