#!/usr/bin/env bash
# The benchmarks: builds the native gateway, the benchmark objects and programs (native
# preset), registers Bench.Kilobyte and Bench.Template in a registry of its own and prints
#   - the cost of one GET request through the gateway against a minimal C program, for an
#     object that writes 1 KB, for one that serves the worked-example template and for the
#     sample's list page (Shop.Catalog, registered too),
#   - template expansion against ctemplate and mstch (installed here for the benchmark),
#   - form decoding throughput on a 10 MB body.
# QMT_BENCH_RUNS sets the requests per program (default 2000); QMT_BENCH_BUILD_DIR builds
# elsewhere than build/native (Release, same options as the preset). Extra arguments go to
# the form decoding benchmark (e.g. --benchmark_filter=split).
# --object-runtimes measures the request cost instead with the benchmark object built three
# ways: without the C++ runtime, using it linked in statically, and using the shared one (the
# figures of quillmate_add_object's documentation).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh bench
build=${QMT_BENCH_BUILD_DIR:-build/native}
if [ -n "${QMT_BENCH_BUILD_DIR:-}" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
else
    # Configured again so that the template engines, installed just now, are found.
    cmake --preset native >/dev/null
fi
cmake --build "$build" -j2 --target quillmate kilobyte_object kilobyte_static_runtime kilobyte_shared_runtime \
    template_object baseline_cgi baseline_worked_example shop_catalog request_cost form_decoding template_expansion \
    >/dev/null

registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT
tools/register-object.sh Bench.Kilobyte '{58481A62-C72E-4F5F-84F6-5C400EF717FC}' \
    "$build/bench/kilobyte_object.so" "$registry"
tools/register-object.sh Bench.Template '{6F1D2A0C-3B7E-4C55-9A61-2E8D5B7C4F13}' \
    "$build/bench/template_object.so" "$registry"
tools/register-object.sh Shop.Catalog '{ABB7C773-C6EB-4B39-B235-B3F9C4458728}' \
    "$build/samples/shop_catalog/shop_catalog.so" "$registry"
export QUILLMATE_REGISTRY=$registry

# The list page as the gateway writes it: the yardstick is built to write the same bytes.
env -i QUILLMATE_REGISTRY="$registry" GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET \
    QUERY_STRING=obj=Shop.Catalog+List "$build/quillmate" >"$build/bench/shop_list_page.txt"
cmake --build "$build" --target baseline_shop_list >/dev/null

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs (figures are noisier under load)"
echo
if [ "${1:-}" = "--object-runtimes" ]; then
    for variant in kilobyte_object kilobyte_static_runtime kilobyte_shared_runtime; do
        echo "== $variant"
        tools/register-object.sh Bench.Kilobyte '{58481A62-C72E-4F5F-84F6-5C400EF717FC}' \
            "$build/bench/$variant.so" "$registry"
        "$build/bench/request_cost" "$build/quillmate" "$build/bench/baseline_cgi" "${QMT_BENCH_RUNS:-2000}"
        echo
    done
    exit 0
fi
"$build/bench/request_cost" "$build/quillmate" "$build/bench/baseline_cgi" "${QMT_BENCH_RUNS:-2000}"
echo
"$build/bench/request_cost" "$build/quillmate" "$build/bench/baseline_worked_example" "${QMT_BENCH_RUNS:-2000}" \
    "obj=Bench.Template+Send" 1.3
echo
"$build/bench/request_cost" "$build/quillmate" "$build/bench/baseline_shop_list" "${QMT_BENCH_RUNS:-2000}" \
    "obj=Shop.Catalog+List" 1.3
echo
"$build/bench/template_expansion"
echo
"$build/bench/form_decoding" "$@"
