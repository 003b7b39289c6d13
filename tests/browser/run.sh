#!/usr/bin/env bash
# The browser test: installs playwright-core from the committed lock file, serves the sample
# through lighttpd on a free loopback port and runs tests/browser/catalog.test.mjs with
# node's test runner against Debian's Chromium. Screenshots: build/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

[ -x /usr/bin/chromium ] || { echo "Debian's chromium is missing (tools/install-deps.sh all)" >&2; exit 1; }
npm ci --no-audit --no-fund --loglevel=error >/dev/null

source tools/lib/sample_site.sh
qmt_serve_sample lighttpd $((20000 + RANDOM % 20000)) "$root/build/native/quillmate" "$root/build/native/samples/shop_catalog"

QMT_CATALOG_URL=$QMT_SERVER_URL QMT_ARTIFACTS=$root/build/artifacts node --test tests/browser/
