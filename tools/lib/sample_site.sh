# Sourced by the scripts that serve the sample (tools/demo.sh, tests/servers/, tests/package/):
# lays out a site in a folder of its own and runs lighttpd or Apache httpd on it, on the
# loopback interface, as the current user (or, as root, with the servers' own user).
#
#   qmt_site_make SITE GATEWAY SAMPLE_DIR    copies the gateway to SITE/cgi-bin/quillmate and
#                                            the sample to SITE/objects/shop_catalog, registers
#                                            Shop.Catalog in SITE/registry, makes SITE/orders
#   qmt_site_use SITE GATEWAY REGISTRY ORDERS    a site whose files are installed elsewhere;
#                                            an empty REGISTRY leaves the gateway's default
#   qmt_server_start KIND FIRST_PORT         KIND lighttpd or apache; tries FIRST_PORT and the
#                                            ports after it until one is free; sets
#                                            QMT_SERVER_PID, QMT_SERVER_PORT, QMT_SERVER_URL
#   qmt_server_stop                          stops it and waits for it to go
#   qmt_gateways_wait                        waits for every gateway process of the site to end
#   qmt_serve_sample KIND FIRST_PORT GATEWAY SAMPLE_DIR
#                                            all of it for a script: a site in a new temporary
#                                            folder (QMT_SITE), made and served, and a trap that
#                                            stops the server and removes the folder on exit
# Needs: bash, curl; the server's Debian package.

QMT_SAMPLE_PROGID=Shop.Catalog
QMT_SAMPLE_CLSID='{ABB7C773-C6EB-4B39-B235-B3F9C4458728}'
QMT_SERVER_PID=
QMT_SERVER_PORT=
QMT_SERVER_URL=

# The user the server runs CGI programs as: root starts servers that then drop to www-data.
qmt_site_user() {
    if [ "$(id -u)" -eq 0 ]; then echo www-data; else id -un; fi
}

qmt_site_make() {
    local site=$1 gateway=$2 sample=$3
    mkdir -p "$site/cgi-bin" "$site/objects" "$site/registry/HKEY_CLASSES_ROOT" "$site/orders" "$site/htdocs" "$site/logs"
    cp "$gateway" "$site/cgi-bin/quillmate"
    cp -r "$sample" "$site/objects/shop_catalog"
    local library
    library=$(find "$site/objects/shop_catalog" -maxdepth 1 -name 'shop_catalog.so' -print -quit)
    local classes=$site/registry/HKEY_CLASSES_ROOT
    mkdir -p "$classes/$QMT_SAMPLE_PROGID/CLSID" "$classes/CLSID/$QMT_SAMPLE_CLSID/InprocServer32"
    printf '%s\n' "$QMT_SAMPLE_CLSID" >"$classes/$QMT_SAMPLE_PROGID/CLSID/@"
    printf '%s\n' "$library" >"$classes/CLSID/$QMT_SAMPLE_CLSID/InprocServer32/@"
    qmt_site_use "$site" "$site/cgi-bin/quillmate" "$site/registry" "$site/orders"
}

qmt_site_use() {
    QMT_SITE=$1
    QMT_SITE_GATEWAY=$2
    QMT_SITE_REGISTRY=$3
    QMT_SITE_ORDERS=$4
    mkdir -p "$QMT_SITE/htdocs" "$QMT_SITE/logs" "$QMT_SITE_ORDERS"
    # The server's user reads the site and writes the orders; mktemp made the folder private.
    chmod 755 "$QMT_SITE"
    chmod 777 "$QMT_SITE/logs"
    chmod 1777 "$QMT_SITE_ORDERS"
}

qmt_write_lighttpd_config() {
    local port=$1 config=$QMT_SITE/lighttpd.conf
    {
        echo 'server.modules = ("mod_alias", "mod_cgi", "mod_setenv")'
        echo "server.document-root = \"$QMT_SITE/htdocs\""
        echo 'server.bind = "127.0.0.1"'
        echo "server.port = $port"
        echo "server.errorlog = \"$QMT_SITE/logs/error.log\""
        [ "$(id -u)" -ne 0 ] || echo "server.username = \"www-data\"
server.groupname = \"www-data\""
        echo 'server.max-request-size = 16384'
        echo "alias.url = (\"/cgi-bin/quillmate\" => \"$QMT_SITE_GATEWAY\")"
        echo '$HTTP["url"] =~ "^/cgi-bin/" { cgi.assign = ("" => "") }'
        if [ -n "$QMT_SITE_REGISTRY" ]; then
            echo "setenv.add-environment = (\"QUILLMATE_REGISTRY\" => \"$QMT_SITE_REGISTRY\", \"QUILLMATE_ALLOWED_CLASSES\" => \"$QMT_SAMPLE_PROGID\", \"SHOP_CATALOG_ORDERS\" => \"$QMT_SITE_ORDERS\")"
        else
            echo "setenv.add-environment = (\"SHOP_CATALOG_ORDERS\" => \"$QMT_SITE_ORDERS\")"
        fi
    } >"$config"
    echo "$config"
}

qmt_write_apache_config() {
    local port=$1 config=$QMT_SITE/httpd.conf modules=/usr/lib/apache2/modules
    {
        echo "ServerName 127.0.0.1"
        echo "Listen 127.0.0.1:$port"
        echo "PidFile $QMT_SITE/logs/httpd.pid"
        echo "DefaultRuntimeDir $QMT_SITE/logs"
        echo "Mutex file:$QMT_SITE/logs default"
        echo "ErrorLog $QMT_SITE/logs/error.log"
        echo "DocumentRoot $QMT_SITE/htdocs"
        [ "$(id -u)" -ne 0 ] || printf 'User www-data\nGroup www-data\n'
        for module in mpm_prefork authz_core alias cgi env; do
            echo "LoadModule ${module}_module $modules/mod_$module.so"
        done
        echo "StartServers 4"
        echo "MaxRequestWorkers 32"
        echo "LimitRequestBody 16777216"
        echo "ScriptAlias /cgi-bin/quillmate $QMT_SITE_GATEWAY"
        echo "<Directory \"$(dirname "$QMT_SITE_GATEWAY")\">"
        echo "    Require all granted"
        echo "</Directory>"
        if [ -n "$QMT_SITE_REGISTRY" ]; then
            echo "SetEnv QUILLMATE_REGISTRY $QMT_SITE_REGISTRY"
            echo "SetEnv QUILLMATE_ALLOWED_CLASSES $QMT_SAMPLE_PROGID"
        fi
        echo "SetEnv SHOP_CATALOG_ORDERS $QMT_SITE_ORDERS"
    } >"$config"
    echo "$config"
}

# Starts the server on `port` and waits until the sample's list page comes back through it.
# 0 when it does; 1 when the server ended (the port was taken); 2 when it never answered.
# Each server gets a session of its own: Apache ends its children by signalling its whole
# process group, which would otherwise be the caller's.
qmt_server_try() {
    local kind=$1 port=$2 config
    case $kind in
    lighttpd)
        config=$(qmt_write_lighttpd_config "$port")
        setsid lighttpd -D -f "$config" </dev/null >>"$QMT_SITE/logs/server.out" 2>&1 &
        ;;
    apache)
        config=$(qmt_write_apache_config "$port")
        setsid apache2 -f "$config" -DFOREGROUND </dev/null >>"$QMT_SITE/logs/server.out" 2>&1 &
        ;;
    *)
        echo "unknown server kind: $kind" >&2
        return 2
        ;;
    esac
    QMT_SERVER_PID=$!
    QMT_SERVER_PORT=$port
    QMT_SERVER_URL="http://127.0.0.1:$port/cgi-bin/quillmate?obj=Shop.Catalog+List"
    local deadline=$((SECONDS + 20))
    while [ $SECONDS -lt $deadline ]; do
        if ! kill -0 "$QMT_SERVER_PID" 2>/dev/null; then
            wait "$QMT_SERVER_PID" 2>/dev/null || true
            QMT_SERVER_PID=
            return 1
        fi
        # Our own page, so not some other program that holds the port.
        if curl -s --max-time 2 "$QMT_SERVER_URL" 2>/dev/null | grep -q '<title>Shop catalog</title>'; then
            kill -0 "$QMT_SERVER_PID" 2>/dev/null && return 0
        fi
        sleep 0.1
    done
    qmt_server_stop
    return 2
}

qmt_server_start() {
    local kind=$1 port=$2 attempts=20 outcome
    while [ $attempts -gt 0 ]; do
        outcome=0
        qmt_server_try "$kind" "$port" || outcome=$?
        case $outcome in
        0) return 0 ;;
        1) port=$((port + 1 + RANDOM % 10)) ;;
        *)
            echo "$kind did not answer with the sample's page within 20 s; its logs:" >&2
            tail -20 "$QMT_SITE"/logs/*.log "$QMT_SITE/logs/server.out" >&2 2>/dev/null || true
            return 1
            ;;
        esac
        attempts=$((attempts - 1))
    done
    echo "$kind found no free port; its last words:" >&2
    tail -5 "$QMT_SITE/logs/server.out" "$QMT_SITE/logs/error.log" >&2 2>/dev/null || true
    return 1
}

qmt_server_stop() {
    [ -n "$QMT_SERVER_PID" ] || return 0
    kill "$QMT_SERVER_PID" 2>/dev/null || true
    local deadline=$((SECONDS + 10))
    while kill -0 "$QMT_SERVER_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        sleep 0.05
    done
    kill -9 "$QMT_SERVER_PID" 2>/dev/null || true
    wait "$QMT_SERVER_PID" 2>/dev/null || true
    QMT_SERVER_PID=
}

# Requests still running when a client went away finish on their own; this waits for them.
qmt_gateways_wait() {
    local deadline=$((SECONDS + 30))
    while pgrep -f "^$QMT_SITE_GATEWAY" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || { echo "gateway processes still running after 30 s" >&2; return 1; }
        sleep 0.1
    done
}

qmt_serve_sample() {
    local kind=$1 first_port=$2 gateway=$3 sample=$4
    QMT_SITE=$(mktemp -d)
    trap 'qmt_server_stop; rm -rf "$QMT_SITE"' EXIT
    trap 'exit 130' INT TERM
    qmt_site_make "$QMT_SITE" "$gateway" "$sample"
    qmt_server_start "$kind" "$first_port"
}
