#!/usr/bin/env bash
# The FastCGI benchmark: one lighttpd on loopback serves the same 1 KB page in six ways, and
# wrk asks each for 10 s at 8 connections, the ways taking turns in one run:
#   - a minimal C program as CGI (bench/baseline_cgi.c, mod_cgi),
#   - the gateway as CGI (Bench.Kilobyte, mod_cgi),
#   - the gateway as a FastCGI worker (mod_fastcgi starts it), by default: the object's
#     library loaded and unloaded by every request,
#   - the same with QUILLMATE_KEEP_LIBRARIES=1,
#   - php-cgi as a FastCGI worker writing the page,
#   - a minimal C FastCGI worker on libfcgi (bench/libfcgi_floor.c): the floor.
# Then it times what the default worker cannot skip: loading and unloading the object's
# library (bench/library_load), and the rate a worker doing only that would reach.
# Every FastCGI way gets one worker process. Each answer's body is checked to be the page
# before it is measured. The ways take turns: QMT_BENCH_ROUNDS rounds, each giving every way
# its share of the seconds, so that a change in the machine's load falls on all of them alike.
# Prints requests/s (all rounds' requests over all rounds' time) and the median of the
# rounds' 99th percentile latencies of each, and the ratios the targets are stated in.
#   QMT_BENCH_SECONDS (default 10, per way), QMT_BENCH_ROUNDS (default 5),
#   QMT_BENCH_CONNECTIONS (default 8)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh bench
build=build/native
cmake --preset native >/dev/null # again, so that libfcgi, installed just now, is found
cmake --build "$build" -j2 --target quillmate kilobyte_object baseline_cgi libfcgi_floor library_load >/dev/null
seconds=${QMT_BENCH_SECONDS:-10}
rounds=${QMT_BENCH_ROUNDS:-5}
connections=${QMT_BENCH_CONNECTIONS:-8}
share=$(((seconds + rounds - 1) / rounds)) # whole seconds, as wrk takes them

work=$(mktemp -d /tmp/qmt-bench-fastcgi-XXXXXX)
server=
cleanup() {
    if [ -n "$server" ]; then
        kill -TERM -- "-$server" 2>/dev/null || true # lighttpd and the workers it started
        for _ in $(seq 100); do kill -0 -- "-$server" 2>/dev/null || break; sleep 0.05; done
        kill -KILL -- "-$server" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

registry=$work/registry
tools/register-object.sh Bench.Kilobyte '{58481A62-C72E-4F5F-84F6-5C400EF717FC}' \
    "$build/bench/kilobyte_object.so" "$registry"
mkdir -p "$work/docs/cgi"
gateway=$(realpath "$build/quillmate")
ln -s "$gateway" "$work/docs/cgi/quillmate"
ln -s "$(realpath "$build/bench/baseline_cgi")" "$work/docs/cgi/baseline"
# The page, and a PHP script that writes it.
"$build/bench/baseline_cgi" | sed '1,2d' >"$work/page.html"
{
    printf '<?php header("Content-type: text/html"); readfile("%s");\n' "$work/page.html"
} >"$work/docs/page.php"

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

write_config() {
    cat >"$work/lighttpd.conf" <<CONF
server.modules = ("mod_setenv", "mod_cgi", "mod_fastcgi")
server.bind = "127.0.0.1"
server.port = $1
server.document-root = "$work/docs"
server.errorlog = "$work/lighttpd.log"
server.max-connections = 1024
setenv.add-environment = ("QUILLMATE_REGISTRY" => "$registry")
\$HTTP["url"] =~ "^/cgi/" { cgi.assign = ("" => "") }
# lighttpd takes the first key that starts the path: no key may start another one (with
# "/fcgi/quillmate" before "/fcgi/quillmate-kept", the default worker would serve both).
fastcgi.server = (
    "/fcgi/default/quillmate" => ((
        "socket" => "$work/quillmate.socket", "bin-path" => "$gateway", "max-procs" => 1, "check-local" => "disable",
        "bin-environment" => ("QUILLMATE_REGISTRY" => "$registry"))),
    "/fcgi/kept/quillmate" => ((
        "socket" => "$work/quillmate-kept.socket", "bin-path" => "$gateway", "max-procs" => 1, "check-local" => "disable",
        "bin-environment" => ("QUILLMATE_REGISTRY" => "$registry", "QUILLMATE_KEEP_LIBRARIES" => "1"))),
    "/fcgi/floor" => ((
        "socket" => "$work/floor.socket", "bin-path" => "$(realpath "$build/bench/libfcgi_floor")", "max-procs" => 1,
        "check-local" => "disable")),
    ".php" => ((
        "socket" => "$work/php.socket", "bin-path" => "/usr/bin/php-cgi", "max-procs" => 1,
        "bin-environment" => ("PHP_FCGI_CHILDREN" => "0", "PHP_FCGI_MAX_REQUESTS" => "0")))
)
CONF
}

# A port taken between choosing and binding makes lighttpd fail at once: another is tried.
port=
for _ in 1 2 3 4 5; do
    candidate=$(free_port)
    write_config "$candidate"
    setsid lighttpd -D -f "$work/lighttpd.conf" </dev/null >"$work/lighttpd.out" 2>&1 &
    server=$!
    for _ in $(seq 200); do
        if curl -s -o /dev/null "http://127.0.0.1:$candidate/page.html" 2>/dev/null; then
            port=$candidate
            break
        fi
        kill -0 "$server" 2>/dev/null || break
        sleep 0.05
    done
    [ -n "$port" ] && break
    kill -KILL -- "-$server" 2>/dev/null || true
    server=
done
[ -n "$port" ] || { echo "bench-fastcgi: lighttpd did not start" >&2; cat "$work/lighttpd.out" >&2; exit 1; }

query='obj=Bench.Kilobyte+Send&cat=7'
names=("C program, CGI" "gateway, CGI" "gateway, FastCGI" "gateway, FastCGI, libraries kept" "php-cgi, FastCGI"
       "libfcgi worker, FastCGI (floor)")
urls=("/cgi/baseline" "/cgi/quillmate?$query" "/fcgi/default/quillmate?$query" "/fcgi/kept/quillmate?$query" "/page.php"
      "/fcgi/floor")
rates=()
tails=()
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs; wrk -t2 -c$connections, $rounds rounds of ${share}s a way, through lighttpd $(lighttpd -v | sed -n 's/^lighttpd\/\([0-9.]*\).*/\1/p')"
for i in "${!urls[@]}"; do
    curl -s "http://127.0.0.1:$port${urls[$i]}" >"$work/answer"
    if ! cmp -s "$work/answer" "$work/page.html"; then
        echo "bench-fastcgi: ${names[$i]} did not answer with the page:" >&2
        head -c 600 "$work/answer" >&2
        exit 1
    fi
done
for round in $(seq "$rounds"); do
    for i in "${!urls[@]}"; do
        wrk -t2 -c"$connections" -d"${share}s" --latency "http://127.0.0.1:$port${urls[$i]}" >"$work/wrk-$i-$round"
    done
done
# wrk prints "N requests in T", T in us, ms, s or m, and latencies in us, ms or s.
to_ms='function ms(v) { if (v ~ /us$/) { sub(/us$/, "", v); return v / 1000 } if (v ~ /ms$/) { sub(/ms$/, "", v); return v }
                    if (v ~ /m$/) { sub(/m$/, "", v); return v * 60000 } sub(/s$/, "", v); return v * 1000 }'
printf '%-36s %14s %12s\n' "page from" "requests/s" "p99 (ms)"
for i in "${!urls[@]}"; do
    rate=$(cat "$work"/wrk-"$i"-* | awk "$to_ms"' / requests in / { n += $1; v = $4; sub(/,$/, "", v); t += ms(v) }
        END { printf "%.2f", n / (t / 1000) }')
    p99=$(cat "$work"/wrk-"$i"-* | awk "$to_ms"' $1 == "99%" { print ms($2) }' | sort -g |
        awk '{ v[NR] = $1 } END { printf "%.2f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
    errors=$(cat "$work"/wrk-"$i"-* | awk '/Non-2xx|Socket errors/')
    rates+=("$rate")
    tails+=("$p99")
    printf '%-36s %14s %12s %s\n' "${names[$i]}" "$rate" "$p99" "$errors"
done
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "gateway FastCGI vs C program CGI: $(ratio "${rates[2]}" "${rates[0]}") times the requests/s (target >= 10)," \
    "p99 ${tails[2]} ms vs ${tails[0]} ms (target: lower)"
echo "gateway FastCGI, libraries kept, vs the libfcgi floor: $(ratio "${rates[3]}" "${rates[5]}") (target >= 0.8)"
echo "gateway CGI vs C program CGI: $(ratio "${rates[1]}" "${rates[0]}")"
# The default worker unloads the object's library after each request: the time of a load and
# an unload alone bounds its rate, before any of the request's own work.
load_us=$("$build/bench/library_load" "$build/bench/kilobyte_object.so" 5000 | sed -n 's/.*: \([0-9.]*\) us per load.*/\1/p')
echo "loading and unloading the object's library alone: $load_us us, at most $(awk -v u="$load_us" 'BEGIN { printf "%.0f", 1e6 / u }')" \
    "requests/s from one worker, $(awk -v u="$load_us" -v c="${rates[0]}" 'BEGIN { printf "%.2f", 1e6 / u / c }') times the C program as CGI"
