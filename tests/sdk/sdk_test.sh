#!/usr/bin/env bash
# The SDK as an object author meets it, against a native build's `cmake --install` into a
# temporary prefix:
#   - the installed headers compile without warnings under -Wall -Wextra -Wpedantic, as C
#     (those that say so) and as C++;
#   - Hello.World (samples/hello_world, under 40 lines) and the sample Shop.Catalog are built
#     outside the tree with the installed package's quillmate_add_object: each exports
#     DllGetClassObject alone and needs no library but the C library;
#   - the installed quillmate-register adds, lists, checks and removes it in a temporary
#     registry and refuses the usual mistakes with their causes;
#   - the gateway answers Hello.World's requests byte for byte, writing nothing on standard error.
# Usage: tests/sdk/sdk_test.sh [NATIVE_BUILD_DIR]   (default build/native)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/native}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
registry=$work/registry
hello_clsid='{5E0C2B7A-3D41-4F6E-9A8B-1C2D3E4F5A6B}'

checks=0
failures=0
# expect NAME EXPECTED ACTUAL: byte-exact comparison of two texts.
expect() {
    checks=$((checks + 1))
    if [ "$2" != "$3" ]; then
        failures=$((failures + 1))
        printf 'FAILED: %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    fi
}
# Runs a command; sets out, err (bytes as they are, trailing line feeds kept) and status.
run() {
    "$@" >"$work/out" 2>"$work/err"
    status=$?
    out=$(cat "$work/out"; printf x)
    out=${out%x}
    err=$(cat "$work/err"; printf x)
    err=${err%x}
}
tool() { run "$prefix/bin/quillmate-register" --registry "$registry" "$@"; }
request() { QUILLMATE_REGISTRY=$registry REQUEST_METHOD=GET QUERY_STRING=$1 run "$build/quillmate"; }

# The install.
run cmake --install "$build" --prefix "$prefix"
expect "cmake --install succeeds" "0" "$status"
for file in include/quillmate/dispatch.h include/quillmate/helpers.h include/quillmate/interfaces.h \
    lib/cmake/Quillmate/QuillmateConfig.cmake lib/cmake/Quillmate/QuillmateObject.cmake bin/quillmate-register; do
    expect "installed: $file" "yes" "$([ -e "$prefix/$file" ] && echo yes || echo no)"
done

# The headers, as an author compiles them.
strict=(-Wall -Wextra -Wpedantic -Werror -I "$prefix/include" -c -o /dev/null)
for header in com_abi.h runtime.h interfaces.h; do
    printf '#include "quillmate/%s"\n' "$header" >"$work/c_header.c"
    run gcc -std=c11 "${strict[@]}" "$work/c_header.c"
    expect "$header compiles as C11 without warnings" "0:" "$status:$err"
done
# A C object calls the environment through its table, as the header's comment shows.
cat >"$work/c_call.c" <<'C'
#include "quillmate/interfaces.h"
HRESULT greet(QmtEnvironment* environment, BSTR text)
{
    return environment->lpVtbl->SendString(environment, text, NULL);
}
int same(REFIID a) { return IsEqualIID(a, &IID_QmtEnvironment); }
C
run gcc -std=c11 "${strict[@]}" "$work/c_call.c"
expect "a C caller reaches the environment's table without warnings" "0:" "$status:$err"
for header in "$prefix"/include/quillmate/*.h; do
    name=$(basename "$header")
    [ "$name" = self_registration.h ] && continue # Windows only
    printf '#include "quillmate/%s"\n' "$name" >"$work/cxx_header.cpp"
    for compiler in g++ clang++; do
        command -v "$compiler" >/dev/null || continue
        run "$compiler" -std=c++20 "${strict[@]}" "$work/cxx_header.cpp"
        expect "$name compiles as C++20 ($compiler) without warnings" "0:" "$status:$err"
    done
done

# The same for Windows authors, where MinGW-w64 is installed: the system's headers underneath.
for target in x86_64-w64-mingw32 i686-w64-mingw32; do
    command -v "$target-gcc" >/dev/null || continue
    run "$target-gcc" -std=c11 "${strict[@]}" "$work/c_call.c"
    expect "a C caller compiles for $target without warnings" "0:" "$status:$err"
    printf '#include "quillmate/dispatch.h"\n' >"$work/windows.cpp"
    run "$target-g++-posix" -std=c++20 "${strict[@]}" "$work/windows.cpp"
    expect "dispatch.h (with self-registration) compiles for $target without warnings" "0:" "$status:$err"
done

# A sample, outside the tree: its own CMakeLists.txt against the installed package, warnings as errors.
# build_outside NAME SOURCE_DIR LIBRARY: builds into SOURCE_DIR-build and checks LIBRARY there.
build_outside() {
    run cmake -S "$2" -B "$2-build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
        "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Wpedantic -Werror"
    expect "$1 configures against the installed package" "0" "$status"
    [ "$status" -eq 0 ] || printf '%s%s' "$out" "$err"
    run cmake --build "$2-build"
    expect "$1 builds without warnings" "0" "$status"
    [ "$status" -eq 0 ] || printf '%s%s' "$out" "$err"
    expect "$1: the library exports DllGetClassObject alone" "DllGetClassObject" \
        "$(nm -D --defined-only "$2-build/$3" 2>&1 | awk '{ print $3 }')"
    expect "$1: the library needs the C library alone" "libc.so.6" \
        "$(readelf -d "$2-build/$3" 2>&1 | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
}
mkdir -p "$work/hello" && cp "$root/samples/hello_world/hello_world.cpp" "$root/samples/hello_world/CMakeLists.txt" "$work/hello/"
expect "Hello.World is written in under 40 lines" "yes" "$([ "$(wc -l <"$work/hello/hello_world.cpp")" -lt 40 ] && echo yes)"
build_outside Hello.World "$work/hello" hello_world.so
library=$work/hello-build/hello_world.so
# The model object, Shop.Catalog, the same way: its templates and data file land beside it.
cp -r "$root/samples/shop_catalog" "$work/shop"
build_outside Shop.Catalog "$work/shop" shop_catalog.so
expect "Shop.Catalog's templates and data file lie beside it" "catalog.txt item.htm list.htm order.htm" \
    "$(cd "$work/shop-build" && ls catalog.txt item.htm list.htm order.htm 2>&1 | paste -sd ' ')"

# The registration tool.
tool add Hello.World "$(echo "$hello_clsid" | tr 'A-F' 'a-f')" "$library"
expect "add registers the class" "0::" "$status:$out:$err"
tool list
expect "list shows the class, its identifier (upper case) and library" "Hello.World	$hello_clsid	$library
" "$out"
tool check Hello.World Greet
expect "check passes every step" "0:resolve   ok: Hello.World is $hello_clsid
load      ok: $library loaded; its DllGetClassObject gave the class factory
create    ok: the class factory made an object
IDispatch ok: the object answers for IDispatch
method    ok: Greet has the dispatch identifier 1
:" "$status:$out:$err"
tool check Hello.World greet
expect "check names the step and the cause of a failure" "1:quillmate-register: check Hello.World: step method failed: \
GetIDsOfNames(\"greet\") returned 0x80020006 (DISP_E_UNKNOWNNAME) (method names are matched exactly, letter case included)
" "$status:$err"
tool check Hello.Nobody
expect "check of an unregistered class" "1:quillmate-register: check Hello.Nobody: step resolve failed: registry value \
HKEY_CLASSES_ROOT\\Hello.Nobody\\CLSID is missing ($registry/HKEY_CLASSES_ROOT/Hello.Nobody/CLSID/@)
" "$status:$err"

# The gateway drives it.
request 'obj=Hello.World+Greet&name=%3CAd%C3%A5%3E'
expect "Greet escapes the name and sends it as UTF-8" "Content-type: text/html; charset=utf-8

<p>Hello, &lt;Adå&gt;!</p>
:" "$out:$err"
request 'obj=Hello.World+Greet'
expect "Greet without the optional field writes no error page" "Content-type: text/html; charset=utf-8

<p>Hello, world!</p>
:" "$out:$err"
request 'obj=Hello.World+Echo&b=2&a=1&a='
expect "Echo walks the fields in order" "Content-type: text/plain; charset=utf-8

b=2
a=1
a=
:" "$out:$err"

# The mistakes the tool refuses, writing nothing.
objects=$build/tests/objects
tool add Bad.Id '{5E0C2B7A-3D41}' "$library"
expect "a bad identifier" "1:quillmate-register: \"{5E0C2B7A-3D41}\" is not a class identifier: expected \
{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} (quillmate-register new-clsid makes one)
" "$status:$err"
tool add Bad.Path "$hello_clsid" hello_world.so
expect "a relative path" "1:quillmate-register: \"hello_world.so\" is a relative path: the gateway loads only \
absolute paths (give the full path, e.g. \$(realpath hello_world.so))
" "$status:$err"
tool add Bad.Missing "$hello_clsid" "$work/nothing.so"
expect "a missing file" "1:quillmate-register: $work/nothing.so: no such file
" "$status:$err"
tool add Bad.Export "$hello_clsid" "$objects/libqmt_mistake_no_export.so"
expect "a library without DllGetClassObject" "1:quillmate-register: $objects/libqmt_mistake_no_export.so does not \
export DllGetClassObject (with C linkage and default visibility: QMT_SERVE declares it so)
" "$status:$err"
tool add Bad.Mangled "$hello_clsid" "$objects/libqmt_mistake_mangled.so"
expect "a mangled export" "1:quillmate-register: $objects/libqmt_mistake_mangled.so does not export \
DllGetClassObject; it exports the C++ name _Z17DllGetClassObjectRK4GUIDS1_PPv instead: declare the function \
extern \"C\" (QMT_SERVE does)
" "$status:$err"
tool add Bad.Unresolved "$hello_clsid" "$objects/libqmt_mistake_unresolved.so"
expect "an unresolved symbol" "1:quillmate-register: $objects/libqmt_mistake_unresolved.so does not load: \
$objects/libqmt_mistake_unresolved.so: undefined symbol: qmt_function_nobody_defines
" "$status:$err"
tool add 'Bad Name' "$hello_clsid" "$library"
expect "a name a request cannot name" "1" "$status"
tool list
expect "refused adds wrote nothing" "Hello.World	$hello_clsid	$library
" "$out"
tool list "$work/other.so"
expect "list of another library's classes" "0:" "$status:$out"

tool remove Hello.World
expect "remove" "0::" "$status:$out:$err"
tool list
expect "nothing is left listed" "0:" "$status:$out"
expect "nothing is left of the class's keys" "CLSID" "$(ls "$registry/HKEY_CLASSES_ROOT")"
expect "nothing is left below CLSID" "" "$(ls "$registry/HKEY_CLASSES_ROOT/CLSID")"
tool remove Hello.World
expect "remove of a class that is not registered" "1:quillmate-register: Hello.World is not registered (no value \
HKEY_CLASSES_ROOT\\Hello.World\\CLSID) (registry $registry)
" "$status:$err"
request 'obj=Hello.World+Greet'
expect "the gateway no longer finds it" "quillmate: page 1: find class \"Hello.World\": registry value \
HKEY_CLASSES_ROOT\\Hello.World\\CLSID is missing ($registry/HKEY_CLASSES_ROOT/Hello.World/CLSID/@)
" "$err"

# New class identifiers: random (version 4), in both forms an author needs.
tool new-clsid
first=$out
pattern='^\{([0-9A-F]{8})-([0-9A-F]{4})-(4[0-9A-F]{3})-([89AB][0-9A-F]{3})-([0-9A-F]{12})\}$'
line1=$(sed -n 1p <<<"$first")
expect "new-clsid: the registry form" "yes" "$([[ $line1 =~ $pattern ]] && echo yes)"
expect "new-clsid: the SDK's form" "quillmate::guid(\"$line1\")" "$(sed -n 2p <<<"$first")"
hex=$(tr -d '{}-' <<<"$line1" | tr 'A-F' 'a-f')
expect "new-clsid: the initializer form" "{0x${hex:0:8}, 0x${hex:8:4}, 0x${hex:12:4}, {0x${hex:16:2}, 0x${hex:18:2}, \
0x${hex:20:2}, 0x${hex:22:2}, 0x${hex:24:2}, 0x${hex:26:2}, 0x${hex:28:2}, 0x${hex:30:2}}}" "$(sed -n 3p <<<"$first")"
tool new-clsid
expect "new-clsid: each is new" "yes" "$([ "$out" != "$first" ] && echo yes)"
tool frobnicate
expect "an unknown command shows the usage" "2" "$status"

echo "sdk: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
