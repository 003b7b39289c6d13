#!/usr/bin/env bash
# Checks the layering of src/ from its #include lines and prints the folder-level include graph.
#
#   platform <- common <- automation <- typelib, report, registrar <- template <- environment <- gateway
#
# A file may include its own folder and the folders to its left; typelib, report and registrar
# (the registration tool, a program of its own) share a rank and must not include each other. Every folder may include the public headers
# (include/quillmate/), and those include nothing of src/. An include that points up or
# sideways, or that names no known folder, is listed with its file and line, and the check
# fails. Generated files are included under the folder that owns them
# ("report/message_numbers.h"), so they are checked like the others.
#
# Usage: tools/check-layers.sh [ROOT]   (ROOT defaults to the repository's top folder)
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

layers=(platform common automation typelib report registrar template environment gateway)
declare -A rank=([platform]=0 [common]=1 [automation]=2 [typelib]=3 [report]=3 [registrar]=3 [template]=4 [environment]=5 [gateway]=6)
public=quillmate

# The folder a file of the tree belongs to: a layer of src/, or the public headers.
folder_of_file() {
    case $1 in
    include/quillmate/*) echo "$public" ;;
    src/*/*)
        local rest=${1#src/}
        local folder=${rest%%/*}
        if [ -n "${rank[$folder]+set}" ]; then echo "$folder"; else echo ""; fi
        ;;
    *) echo "" ;;
    esac
}

# The folder an include names: its first component when that is a layer or the public
# headers, else the folder of the file it names next to the including file.
folder_of_include() {
    local file=$1 included=$2
    local first=${included%%/*}
    if [ "$first" != "$included" ] && { [ -n "${rank[$first]+set}" ] || [ "$first" = "$public" ]; }; then
        echo "$first"
    elif [ -f "$(dirname "$file")/$included" ]; then
        folder_of_file "$(realpath -m --relative-to=. "$(dirname "$file")/$included")"
    else
        echo ""
    fi
}

# Why `from` may not include `to`; empty when it may.
refusal() {
    local from=$1 to=$2
    if [ "$from" = "$to" ]; then
        return
    elif [ "$from" = "$public" ]; then
        echo "public headers include nothing of src/"
    elif [ "$to" = "$public" ]; then
        return
    elif [ "${rank[$to]}" -gt "${rank[$from]}" ]; then
        echo "$to is above $from"
    elif [ "${rank[$to]}" -eq "${rank[$from]}" ]; then
        echo "$to and $from are on the same rank"
    fi
}

declare -A edges=()
offending=0
checked=0
while IFS= read -r match; do
    file=${match%%:*}
    rest=${match#*:}
    line=${rest%%:*}
    text=${rest#*:}
    [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"\<]([^\"\>]+)[\"\>] ]] || continue
    included=${BASH_REMATCH[1]}
    # System headers (<cstdint>, <sys/stat.h>, <windows.h>) are no part of the layering.
    if [[ $text =~ include[[:space:]]*\< ]]; then
        first=${included%%/*}
        [ "$first" != "$included" ] && { [ -n "${rank[$first]+set}" ] || [ "$first" = "$public" ]; } || continue
    fi
    checked=$((checked + 1))
    from=$(folder_of_file "$file")
    if [ -z "$from" ]; then
        echo "$file:$line: #include \"$included\": $file is in no layer of src/" >&2
        offending=$((offending + 1))
        continue
    fi
    to=$(folder_of_include "$file" "$included")
    if [ -z "$to" ]; then
        echo "$file:$line: #include \"$included\": names no folder of src/ or include/quillmate/" >&2
        offending=$((offending + 1))
        continue
    fi
    reason=$(refusal "$from" "$to")
    if [ -n "$reason" ]; then
        echo "$file:$line: #include \"$included\": $from may not include $to ($reason)" >&2
        offending=$((offending + 1))
    fi
    if [ "$from" != "$to" ]; then
        edges["$from $to"]=1
    fi
done < <(grep -rnE --include='*.h' --include='*.cpp' --include='*.c' --include='*.inc' \
    '^[[:space:]]*#[[:space:]]*include' src include/quillmate | sort -t: -k1,1 -k2,2n)

echo "Folder-level include graph (each folder and the folders it includes):"
for from in $(printf '%s\n' "${layers[@]}" | tac) "$public"; do
    targets=()
    for to in $(printf '%s\n' "${layers[@]}" | tac) "$public"; do
        if [ -n "${edges["$from $to"]+set}" ]; then
            targets+=("$to")
        fi
    done
    printf '  %-11s -> %s\n' "$from" "${targets[*]:-(nothing)}"
done
echo "layers: $checked includes checked, $offending offending"
[ "$offending" -eq 0 ]
