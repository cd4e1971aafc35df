#!/usr/bin/env bash
# The folders of src/ are layers, one library each, in this order from the bottom:
#   core platform widgets presentation timing clock settings plan site app console
# A folder may use only itself and the folders below it. This checks both ways that can break
# it:
#   1. an #include "<folder>/..." in src/<f>/ that names a folder above <f>;
#   2. (given a build directory) a symbol that a folder's library needs and that only a library
#      above it defines: a call up the order, even one made through a declaration of its own
#      instead of the header.
#
#   scripts/check-layers.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-}
layers=(core platform widgets presentation timing clock settings plan site app console)
failures=0

rank() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

# 1. Includes.
for dir in src/*/; do
    folder=$(basename "$dir")
    own=$(rank "$folder")
    if [ "$own" -lt 0 ]; then
        echo "check-layers: src/$folder is not in the layer order" >&2
        failures=$((failures + 1))
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z]+)\/.*/\1/' <<<"$text")
        r=$(rank "$target")
        [ "$r" -lt 0 ] && continue  # not one of ours (a generated header, a local one)
        if [ "$r" -gt "$own" ]; then
            echo "check-layers: $file:$line includes $target/ from $folder/ (up the order)" >&2
            failures=$((failures + 1))
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/' "$dir" || true)
done

# 2. Symbols of the built libraries.
if [ -n "$build" ]; then
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    present=()
    for folder in "${layers[@]}"; do
        lib="$build/src/$folder/libkvtmr_$folder.a"
        [ -f "$lib" ] || continue
        present+=("$folder")
        # Defined (strong or weak) and needed symbols, mangled.
        nm --defined-only -g "$lib" 2>/dev/null | awk 'NF == 3 { print $3 }' | sort -u >"$tmp/$folder.def"
        nm --undefined-only -g "$lib" 2>/dev/null | awk 'NF >= 2 { print $NF }' | sort -u >"$tmp/$folder.undef"
    done
    for i in "${!present[@]}"; do
        folder=${present[$i]}
        # What this library and those below define needs no library above.
        cat "$tmp/${present[$i]}.def" >"$tmp/below"
        for ((j = 0; j < i; j++)); do cat "$tmp/${present[$j]}.def" >>"$tmp/below"; done
        sort -u -o "$tmp/below" "$tmp/below"
        comm -23 "$tmp/$folder.undef" "$tmp/below" >"$tmp/needed"
        for ((j = i + 1; j < ${#present[@]}; j++)); do
            above=${present[$j]}
            comm -12 "$tmp/needed" "$tmp/$above.def" >"$tmp/up" || true
            if [ -s "$tmp/up" ]; then
                while read -r sym; do
                    echo "check-layers: libkvtmr_$folder needs $(c++filt "$sym") from libkvtmr_$above (up the order)" >&2
                    failures=$((failures + 1))
                done <"$tmp/up"
            fi
        done
    done
fi

if [ "$failures" -gt 0 ]; then
    echo "check-layers: $failures use(s) up the layer order" >&2
    exit 1
fi
echo "check-layers: every include and call runs down the order"
