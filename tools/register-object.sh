#!/usr/bin/env bash
# Registers an in-process object in the native build's directory registry:
#   register-object.sh PROGID {CLSID} /absolute/path/to/object.so [REGISTRY_ROOT]
# The root defaults to $QUILLMATE_REGISTRY, else /etc/quillmate/registry.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 PROGID {CLSID} LIBRARY [REGISTRY_ROOT]" >&2; exit 2; }
progid=$1
clsid=$(printf '%s' "$2" | tr '[:lower:]' '[:upper:]')
library=$(realpath "$3")
root=${4:-${QUILLMATE_REGISTRY:-/etc/quillmate/registry}}
classes=$root/HKEY_CLASSES_ROOT
mkdir -p "$classes/$progid/CLSID" "$classes/CLSID/$clsid/InprocServer32"
printf '%s\n' "$clsid" > "$classes/$progid/CLSID/@"
printf '%s\n' "$library" > "$classes/CLSID/$clsid/InprocServer32/@"
