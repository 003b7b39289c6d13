#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   install-deps.sh native   compilers, CMake, GoogleTest, Google Benchmark, libffi (linked in), and
#                            GNU time and bc for the benchmarks' figures
#   install-deps.sh all      also clang (sanitizers, fuzzers), clang-format and clang-tidy, MinGW-w64 with
#                            widl, 64-bit Wine, Wine's IDL files (widl builds the type library from them)
#                            and valgrind; lighttpd, nginx and curl (the FastCGI worker behind real servers)
#   install-deps.sh bench    native, and the template engines the benchmarks compare with
#                            (ctemplate, mstch); only the benchmark links them; for the FastCGI
#                            benchmark lighttpd, wrk, php-cgi and libfcgi (the floor it is measured against)
set -euo pipefail

packages=(g++ make cmake libgtest-dev googletest libbenchmark-dev libffi-dev time bc)
if [ "${1:-native}" = all ]; then
    packages+=(clang clang-format clang-tidy libclang-rt-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
               wine64 libwine-dev valgrind lighttpd nginx-light curl)
fi
if [ "${1:-native}" = bench ]; then
    packages+=(libctemplate-dev libmstch-dev lighttpd wrk php-cgi libfcgi-dev)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
