#!/usr/bin/env bash
# Inside the package test's root (tests/package/run.sh): installs the .deb and serves the
# sample from what it installed, with the gateway's default registry (no QUILLMATE_REGISTRY).
set -euo pipefail
root=$1 deb=$2
cd "$root"

if dpkg-query -W quillmate >/dev/null 2>&1; then
    dpkg --purge quillmate >/dev/null
fi
dpkg -i "$deb" >/dev/null
installed=$(dpkg -L quillmate)
for file in /usr/lib/cgi-bin/quillmate /usr/lib/quillmate/samples/shop_catalog/shop_catalog.so \
    /usr/lib/quillmate/samples/shop_catalog/list.htm /etc/quillmate/registry/HKEY_CLASSES_ROOT/Shop.Catalog/CLSID/@ \
    /usr/share/doc/quillmate/README.md; do
    grep -qxF "$file" <<<"$installed" || { echo "the package does not install $file" >&2; exit 1; }
done

source tools/lib/sample_site.sh
site=$(mktemp -d)
trap 'qmt_server_stop; rm -rf "$site"' EXIT
qmt_site_use "$site" /usr/lib/cgi-bin/quillmate "" "$site/orders"
qmt_server_start lighttpd $((20000 + RANDOM % 20000))
base="http://127.0.0.1:$QMT_SERVER_PORT/cgi-bin/quillmate"

failed=0
expect() {
    local name=$1 text=$2
    shift 2
    curl -sS --max-time 30 "$@" | grep -qF -- "$text" || { echo "FAIL [$name] no \"$text\"" >&2; failed=1; }
}
expect "list page" '<td>101</td><td><a href="?obj=Shop.Catalog+Item&amp;id=101">Fountain pen</a>' "$base?obj=Shop.Catalog+List"
expect "item page" '<h1 id="heading">Cr&#232;me paper pad</h1>' "$base?obj=Shop.Catalog+Item&id=202"
expect "order" '<tr><td>order</td><td>5</td></tr>' --data-binary 'obj=Shop.Catalog+Order&item=102&quantity=1&order=5' "$base"
[ -f "$site/orders/order-5.htm" ] || { echo "FAIL [order] no order file" >&2; failed=1; }
expect "an unknown class" 'The project name Other.Class is improperly registered' "$base?obj=Other.Class+List"
[ "$failed" -eq 0 ] && echo "the installed package serves the sample"
