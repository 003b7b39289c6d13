#!/usr/bin/env bash
# The native gateway behind real web servers, each request answered twice: by the gateway
# run as CGI (lighttpd's mod_cgi) and by the gateway as a FastCGI worker (lighttpd's
# mod_fastcgi, which starts the worker with the socket on standard input; nginx's
# fastcgi_pass to a worker started with -FastCGI). The HTTP status, content type and body
# must be the same bytes. A fault in the user's object must give message 21 on its own
# response, and the request after it must be answered as ever by the worker lighttpd starts
# in its place. Servers listen on Unix sockets in a folder of their own (no ports), and are
# stopped on every way out.
#   run-fastcgi-servers.sh [BUILD_DIR]    (default build/native)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
gateway=$(realpath "$build/quillmate")
probe=$(realpath "$build/tests/objects/libqmtprobe.so")
[ -x "$gateway" ] && [ -f "$probe" ] || { echo "run-fastcgi-servers: build $build first" >&2; exit 2; }

work=$(mktemp -d /tmp/qmt-servers-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill -TERM -- "-$pid" 2>/dev/null # each server runs in a process group of its own, with its workers
    done
    for pid in "${pids[@]}"; do
        for _ in $(seq 100); do kill -0 -- "-$pid" 2>/dev/null || break; sleep 0.05; done
        kill -KILL -- "-$pid" 2>/dev/null
    done
    [ -n "${QMT_KEEP_SERVER_FILES:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

registry=$work/registry
tools/register-object.sh Qmt.Probe '{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}' "$probe" "$registry"
mkdir -p "$work/docs/cgi" "$work/nginx"
ln -s "$gateway" "$work/docs/cgi/quillmate"
limit=100000 # QUILLMATE_MAX_BODY_BYTES for both ways

cat >"$work/lighttpd.conf" <<CONF
server.modules = ("mod_setenv", "mod_cgi", "mod_fastcgi")
server.bind = "$work/lighttpd.socket"
server.document-root = "$work/docs"
server.errorlog = "$work/lighttpd.log"
server.max-request-size = 1024
setenv.add-environment = ("QUILLMATE_REGISTRY" => "$registry", "QUILLMATE_MAX_BODY_BYTES" => "$limit")
\$HTTP["url"] =~ "^/cgi/" { cgi.assign = ("" => "") }
fastcgi.server = ("/fcgi/quillmate" => ((
    "socket" => "$work/worker.socket",
    "bin-path" => "$gateway",
    "max-procs" => 1,
    "check-local" => "disable",
    "bin-environment" => ("QUILLMATE_REGISTRY" => "$registry", "QUILLMATE_MAX_BODY_BYTES" => "$limit")
)))
CONF

cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { }
http {
    access_log off;
    client_body_temp_path $work/nginx/body;
    server {
        listen unix:$work/nginx.socket;
        location /fcgi/quillmate {
            include /etc/nginx/fastcgi_params;
            fastcgi_pass unix:$work/nginx-worker.socket;
        }
    }
}
CONF

# Polls until a request through `socket` is answered (at most 10 s).
wait_until_serving() {
    for _ in $(seq 200); do
        curl -s -o /dev/null --unix-socket "$1" "http://localhost/" && return 0
        sleep 0.05
    done
    echo "run-fastcgi-servers: nothing answers at $1" >&2
    return 1
}

setsid lighttpd -D -f "$work/lighttpd.conf" </dev/null >"$work/lighttpd.out" 2>&1 &
pids+=($!)
setsid env -i QUILLMATE_REGISTRY="$registry" QUILLMATE_MAX_BODY_BYTES="$limit" \
    "$gateway" -FastCGI "$work/nginx-worker.socket" </dev/null >/dev/null 2>"$work/nginx-worker.err" &
pids+=($!)
setsid nginx -c "$work/nginx.conf" -p "$work/nginx" </dev/null >"$work/nginx.out" 2>&1 &
pids+=($!)
wait_until_serving "$work/lighttpd.socket" || { cat "$work/lighttpd.out" "$work/lighttpd.log"; exit 1; }
wait_until_serving "$work/nginx.socket" || { cat "$work/nginx.out" "$work/nginx/error.log"; exit 1; }

passed=0
failed=0
# fetch SOCKET PATH_AND_QUERY OUT [curl arguments]: "status content-type" on the first line
# of OUT, then the body.
fetch() {
    local socket=$1 url=$2 out=$3
    shift 3
    curl -s --unix-socket "$socket" -o "$out.body" -w '%{http_code} %{content_type}\n' "$@" "http://localhost$url" \
        >"$out" && cat "$out.body" >>"$out"
}
# same NAME PATH_AND_QUERY [curl arguments]: the CGI answer, and each worker's, byte for byte.
same() {
    local name=$1 query=$2
    shift 2
    fetch "$work/lighttpd.socket" "/cgi/quillmate$query" "$work/cgi" "$@"
    for way in lighttpd nginx; do
        fetch "$work/$way.socket" "/fcgi/quillmate$query" "$work/answer-$way" "$@"
        if cmp -s "$work/cgi" "$work/answer-$way"; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "FAILED: $name through $way's FastCGI differs from CGI:"
            diff <(head -c 2000 "$work/cgi" | od -c) <(head -c 2000 "$work/answer-$way" | od -c) | head -20
        fi
    done
}
# expect_body NAME SOCKET PATH_AND_QUERY EXPECTED_BODY_FILE [curl arguments]
expect_body() {
    local name=$1 socket=$2 query=$3 expected=$4
    shift 4
    fetch "$socket" "/fcgi/quillmate$query" "$work/got" "$@"
    if cmp -s <(tail -c +"$(($(head -1 "$work/got" | wc -c) + 1))" "$work/got") "$expected"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name: got"
        head -c 2000 "$work/got"
        echo
    fi
}

# Answers that start with a header line (lighttpd takes output without one from a CGI
# program only), from form data in the body where a line end is needed.
text='obj=Qmt.Probe+Run&send=Content-type:+text/plain%0A%0Ahello+world'
fields="$text&count=&custom=b&custom=c&custom=big&b=%41%42&c=x+y&big=$(head -c 60000 /dev/zero | tr '\0' 'v')"
same "POST whose object writes a text" "" --data-binary "$text"
same "POST whose object reads its fields (60 kB)" "" --data-binary "$fields"
same "POST beyond QUILLMATE_MAX_BODY_BYTES: status 413, message 27" "" --data-binary "$fields$fields"
same "object that raises an exception: message 22" "?obj=Qmt.Probe+Run&raise=Src|Went+wrong"
same "unknown class: message 1" "?obj=No.Such+Thing"
same "PUT: message 6" "?obj=Qmt.Probe+Run&send=never" -X PUT
same "fault in the object: message 21" "?obj=Qmt.Probe+Run&fault="
# The worker that faulted has ended; lighttpd starts another, which answers as ever.
printf 'hello world' >"$work/expected"
expect_body "lighttpd: the request after a fault" "$work/lighttpd.socket" "" "$work/expected" --data-binary "$text"
expect_body "lighttpd: and the one after it" "$work/lighttpd.socket" "" "$work/expected" --data-binary "$text"
# A worker started by hand has nobody to start it again (nginx starts none): it has ended
# with the fault's signal, after its END_REQUEST (the shell reports that segmentation fault).
ended=no
for _ in $(seq 200); do
    kill -0 "${pids[1]}" 2>/dev/null || { ended=yes; break; }
    sleep 0.05
done
status=none
[ "$ended" = yes ] && { wait "${pids[1]}"; status=$?; }
if [ "$status" = $((128 + 11)) ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAILED: the worker behind nginx ended with status $status after the fault, not 139 (SIGSEGV)"
fi
echo "FastCGI through servers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
