#!/usr/bin/env bash
# Figures for the gateway's behaviour under large requests and responses (native build):
#   - peak memory (max RSS, GNU time's %M) of one POST request with
#       100 MB of empty pairs ("=&" repeated), 1,000,000 fields ("f<n>=v"), one 100 MB value,
#     each after a first pair that names Bench.Kilobyte's Send;
#   - SendFile of a 1 GiB file into a pipe under an address-space limit of 300,000 KiB
#     (ulimit -v, as a server's RLimitMEM sets it), against cat of the same file into the
#     same kind of pipe: wall time of each, best of three, and their ratio.
# QMT_BENCH_GATEWAY names another gateway to measure (for a before/after comparison);
# QMT_BENCH_BUILD_DIR the build to take the objects from (default build/native).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh native
build=${QMT_BENCH_BUILD_DIR:-build/native}
[ -f "$build/CMakeCache.txt" ] || cmake --preset native >/dev/null
cmake --build "$build" -j2 --target quillmate kilobyte_object qmtprobe >/dev/null
gateway=${QMT_BENCH_GATEWAY:-$build/quillmate}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tools/register-object.sh Bench.Kilobyte '{58481A62-C72E-4F5F-84F6-5C400EF717FC}' \
    "$build/bench/kilobyte_object.so" "$work/registry"
tools/register-object.sh Qmt.Probe '{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}' \
    "$build/tests/objects/libqmtprobe.so" "$work/registry"
export QUILLMATE_REGISTRY=$work/registry

# Peak memory of one POST whose body is the file $1.
peak_kib() {
    local size
    size=$(stat -c %s "$1")
    env -i QUILLMATE_REGISTRY="$QUILLMATE_REGISTRY" REQUEST_METHOD=POST CONTENT_LENGTH="$size" \
        /usr/bin/time -f %M "$gateway" <"$1" 2>&1 >/dev/null | tail -n 1
}

first='obj=Bench.Kilobyte+Send&'
{ printf '%s' "$first"; head -c 100000000 /dev/zero | tr '\0' '=' | sed 's/==/=\&/g'; } >"$work/empty-pairs"
{ printf '%s' "$first"; seq -f 'f%g=v' 1 1000000 | paste -sd '&'; } | head -c -1 >"$work/fields"
{ printf '%sv=' "$first"; head -c 100000000 /dev/zero | tr '\0' 'x'; } >"$work/one-value"
echo "gateway: $gateway"
echo "peak memory (max RSS) of one request:"
for body in empty-pairs fields one-value; do
    printf '  %-12s %8s bytes  %8s KiB\n' "$body" "$(stat -c %s "$work/$body")" "$(peak_kib "$work/$body")"
done
rm -f "$work/empty-pairs" "$work/fields" "$work/one-value"

# SendFile against cat, into a pipe drained by dd.
head -c 1073741824 /dev/urandom >"$work/large.bin"
cat "$work/large.bin" >/dev/null # in the page cache for both
seconds() { local start end; start=$(date +%s.%N); "$@"; end=$(date +%s.%N); echo "$end - $start" | bc; }
send_file() {
    (ulimit -v 300000
     env -i QUILLMATE_REGISTRY="$QUILLMATE_REGISTRY" REQUEST_METHOD=GET \
         QUERY_STRING="obj=Qmt.Probe+Run&file=$work/large.bin" "$gateway") | dd of=/dev/null bs=1M status=none
}
sent_bytes=$( (ulimit -v 300000
               env -i QUILLMATE_REGISTRY="$QUILLMATE_REGISTRY" REQUEST_METHOD=GET \
                   QUERY_STRING="obj=Qmt.Probe+Run&file=$work/large.bin" "$gateway") | wc -c)
copy_by_cat() { cat "$work/large.bin" | dd of=/dev/null bs=1M status=none; }
best() { local best=; for _ in 1 2 3; do t=$(seconds "$@"); if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi; done; echo "$best"; }
gateway_time=$(best send_file)
cat_time=$(best copy_by_cat)
echo "SendFile of 1 GiB under ulimit -v 300000: $sent_bytes bytes sent"
printf '  gateway %.3f s, cat %.3f s: speed ratio %.2f (target >= 0.90)\n' "$gateway_time" "$cat_time" \
    "$(echo "$cat_time / $gateway_time" | bc -l)"
