#!/usr/bin/env bash
# The main job: builds the native gateway if needed, registers the sample object
# Shop.Catalog in a registry of its own, and runs one GET request through the gateway,
# printing the response exactly as a web server would receive it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh native
if [ ! -f build/native/CMakeCache.txt ]; then
    cmake --preset native >/dev/null
fi
cmake --build --preset native --target quillmate shop_catalog >/dev/null

registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT
tools/register-object.sh Shop.Catalog '{ABB7C773-C6EB-4B39-B235-B3F9C4458728}' build/native/samples/shop_catalog.so "$registry"

env -i PATH="$PATH" QUILLMATE_REGISTRY="$registry" \
    GATEWAY_INTERFACE=CGI/1.1 SERVER_PROTOCOL=HTTP/1.1 SERVER_NAME=localhost SERVER_PORT=80 \
    REQUEST_METHOD=GET SCRIPT_NAME=/cgi-bin/quillmate QUERY_STRING='obj=Shop.Catalog+List&cat=7' \
    REMOTE_ADDR=127.0.0.1 \
    build/native/quillmate
