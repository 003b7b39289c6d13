#!/usr/bin/env bash
# The main job: builds the native gateway and the sample object Shop.Catalog if needed,
# lays out a site for them in a temporary folder and serves it through lighttpd (mod_cgi)
# on 127.0.0.1:8080, or the next free port. Prints the catalog's address on a line of its
# own as soon as the server answers with the page, then serves until Ctrl-C.
#   tools/demo.sh          serve until Ctrl-C
#   tools/demo.sh --once   fetch the catalog page once with curl, print it and stop
set -euo pipefail
cd "$(dirname "$0")/.."

once=false
case "${1:-}" in
"") ;;
--once) once=true ;;
*)
    echo "usage: $0 [--once]" >&2
    exit 2
    ;;
esac

tools/install-deps.sh serve
if [ ! -f build/native/CMakeCache.txt ]; then
    cmake --preset native >/dev/null
fi
cmake --build --preset native --target quillmate shop_catalog >/dev/null

source tools/lib/sample_site.sh
qmt_serve_sample lighttpd 8080 build/native/quillmate build/native/samples/shop_catalog

if $once; then
    curl -sS "$QMT_SERVER_URL"
    exit 0
fi
echo "$QMT_SERVER_URL"
echo "Serving the sample through lighttpd; Ctrl-C stops it." >&2
wait "$QMT_SERVER_PID"
