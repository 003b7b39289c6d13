#!/usr/bin/env bash
# The sample through real web servers, each started by this script on a free loopback port
# with its configuration in a temporary folder:
#   run.sh lighttpd|apache   the table of requests below with curl, then wrk for 10 s at 8
#                            connections on the order page (a template and an order file per
#                            request): no failed or malformed response, every file exact
#   run.sh load              lighttpd, wrk for 60 s at 16 connections on the same page
# GATEWAY and SAMPLE (environment) name the gateway and the sample's folder; the native build's
# by default.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
gateway=${GATEWAY:-$root/build/native/quillmate}
sample=${SAMPLE:-$root/build/native/samples/shop_catalog}

mode=${1:-}
case $mode in
lighttpd | apache) server=$mode seconds=10 connections=8 ;;
load) server=lighttpd seconds=60 connections=16 ;;
*)
    echo "usage: $0 lighttpd|apache|load" >&2
    exit 2
    ;;
esac

source tools/lib/sample_site.sh
qmt_serve_sample "$server" $((20000 + RANDOM % 20000)) "$gateway" "$sample"
site=$QMT_SITE
base="http://127.0.0.1:$QMT_SERVER_PORT/cgi-bin/quillmate"
echo "$server on port $QMT_SERVER_PORT"

passed=0
failed=0
# request NAME CURL-ARGUMENTS... -- then the response is in $site/response (headers in
# $site/headers); the checks below read them.
request() {
    current=$1
    shift
    curl -sS --max-time 60 -D "$site/headers" -o "$site/response" "$@" || { fail "curl failed"; return 1; }
    grep -q '^HTTP/1\.[01] 200 ' "$site/headers" || fail "status: $(head -1 "$site/headers")"
    grep -qi '^Content-Type: text/html' "$site/headers" || fail "no Content-Type: text/html header"
}
fail() {
    echo "FAIL [$current] $*" >&2
    row_failed=1
}
has() {
    local text
    for text in "$@"; do
        grep -qF -- "$text" "$site/response" || fail "response lacks: $text"
    done
}
lacks() {
    local text
    for text in "$@"; do
        ! grep -qF -- "$text" "$site/response" || fail "response has: $text"
    done
}
row() {
    row_failed=0
    "$@" || true
    if [ "$row_failed" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

list_page() {
    request "list page" "$base?obj=Shop.Catalog+List"
    has '<h1 id="heading">All articles</h1>' \
        '<tr><td>101</td><td><a href="?obj=Shop.Catalog+Item&amp;id=101">Fountain pen</a></td><td>7</td><td class="price">24.50</td></tr>' \
        '>Notebook &quot;Ledger&quot;</a>' '>Cr&#232;me paper pad</a>' '</html>'
}
list_of_a_category() {
    request "a category, its name escaped" "$base?obj=Shop.Catalog+List&cat=8%3Cscript%3E"
    has 'Articles in category 8&lt;script&gt;' && lacks '<script>' '<td>101</td>'
    request "a category" "$base?obj=Shop.Catalog+List&cat=8"
    has '<td>201</td>' '<td>202</td>' && lacks '<td>101</td>'
}
item_page() {
    request "item page" "$base?obj=Shop.Catalog+Item&id=201"
    has '<h1 id="heading">Notebook &quot;Ledger&quot;</h1>' 'squared &lt;5 mm&gt;, thread-bound.' \
        '<input type="hidden" name="obj" value="Shop.Catalog Order">' '<input type="hidden" name="item" value="201">'
}
order_form() {
    request "order, url-encoded POST" --data-binary \
        'obj=Shop.Catalog+Order&item=101&quantity=2&customer=Ann+%3Cb%3EO%27Neil%3C%2Fb%3E&note=caf%C3%A9+%26+%22tea%22&order=42' \
        "$base"
    has '2 &times; Fountain pen (article 101, category 7, 24.50 each): <strong>49.00</strong>' \
        '<tr><td>customer</td><td>Ann &lt;b&gt;O&#39;Neil&lt;/b&gt;</td></tr>' \
        '<tr><td>note</td><td>caf&#233; &amp; &quot;tea&quot;</td></tr>' '<tr><td>order</td><td>42</td></tr>'
    cmp -s "$site/response" "$site/orders/order-42.htm" || fail "order-42.htm differs from the page sent"
}
large_order_form() {
    # 5 MB of form data: a note of 500,000 ten-byte pieces, each with an escaped "<" in it.
    local body=$site/large-body expected=$site/large-expected
    {
        printf 'obj=Shop.Catalog+Order&item=103&quantity=1&note='
        head -c 500000 /dev/zero | tr '\0' 'x' | sed 's/x/ab%3Ccdefg/g'
        printf '&order=43'
    } >"$body"
    { head -c 500000 /dev/zero | tr '\0' 'x' | sed 's/x/ab\&lt;cdefg/g' && echo; } >"$expected"
    request "order with a 5 MB body" --data-binary "@$body" "$base"
    [ "$(stat -c %s "$body")" -ge 5000000 ] || fail "the body is only $(stat -c %s "$body") bytes"
    grep '^<tr><td>note</td>' "$site/response" | sed 's|^<tr><td>note</td><td>||; s|</td></tr>$||' \
        | cmp -s - "$expected" || fail "the note did not come back whole"
    has '<tr><td>order</td><td>43</td></tr>'
}
error_pages() {
    request "error page for an article that does not exist, its number escaped" \
        "$base?obj=Shop.Catalog+Item&id=%3Cb%3E1%3C/b%3E"
    has '<TITLE>Quillmate Failure</TITLE>' 'There is no article numbered &quot;&lt;b&gt;1&lt;/b&gt;&quot;.' && lacks '<b>1</b>'
    request "error page for a class that may not be created, its name escaped" \
        "$base?obj=%3Ci%3EOther.Class+List"
    has 'The project name &lt;i&gt;Other.Class is improperly registered' && lacks '<i>'
    request "error page for a quantity out of range" --data-binary 'obj=Shop.Catalog+Order&item=101&quantity=100' "$base"
    has 'The quantity must be a whole number from 1 to 99, not &quot;100&quot;.'
    # The page's header is in its template: when the template cannot be opened, nothing of the
    # page precedes the error page, whose header is then the response's own, not body text.
    local templates=$site/objects/shop_catalog
    mv "$templates/list.htm" "$templates/list.htm.away"
    request "error page first for a template that cannot be opened" "$base?obj=Shop.Catalog+List"
    mv "$templates/list.htm.away" "$templates/list.htm"
    head -c 36 "$site/response" | grep -qF '<HTML><HEAD><TITLE>Quillmate Failure' \
        || fail "the body starts with: $(head -c 40 "$site/response")"
}

# Many requests at once: every response and every order file must be whole.
concurrent_orders() {
    current="wrk for $seconds s at $connections connections, order page and order file"
    local reference=$site/reference.htm report=$site/wrk.out
    curl -sS --max-time 60 --data-binary \
        'obj=Shop.Catalog+Order&item=202&quantity=3&customer=Load+%3Ctest%3E&note=caf%C3%A9+%26+cr%C3%A8me&order=7' \
        "$base" | sed 's|<td>order</td><td>7</td>|<td>order</td><td>@ORDER@</td>|' >"$reference"
    rm -f "$site"/orders/order-*
    wrk -t 2 -c "$connections" -d "${seconds}s" --timeout 30s -s tests/servers/orders.lua "$base" -- "$reference" \
        | tee "$report"
    qmt_gateways_wait || fail "gateways still running"
    local line responses malformed errors
    line=$(grep '^responses ' "$report") || { fail "wrk printed no summary"; return; }
    read -r _ responses _ malformed _ _ c _ r _ w _ s _ t <<<"$line"
    errors=$((c + r + w + s + t))
    [ "$responses" -gt 0 ] || fail "no responses"
    [ "$malformed" -eq 0 ] || fail "$malformed malformed responses"
    [ "$errors" -eq 0 ] || fail "$errors failed requests"
    local files
    files=$(find "$site/orders" -name 'order-*.htm' | wc -l)
    [ "$files" -ge "$responses" ] || fail "$files order files for $responses responses"
    (cd "$site/orders" && find . -name 'order-*.htm' -printf '%f\n' | xargs awk -v reference="$reference" \
        -f "$root/tests/servers/order_files.awk") || fail "order files differ"
    echo "$(find "$site/orders" -name '*.part' | wc -l) order files left unfinished by requests cut off at the end"
}

if [ "$mode" = load ]; then
    row concurrent_orders
else
    for case in list_page list_of_a_category item_page order_form large_order_form error_pages concurrent_orders; do
        row "$case"
    done
fi
echo "$server: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
