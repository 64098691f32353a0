#!/bin/sh
# Refuses an include of a later layer: every file in src/LAYER/ may include only headers of its own
# layer and of the layers before it. The build runs this before it compiles any layer.
# Usage: layer_check.sh SOURCE_DIR "LAYER ..." "FILE:HEADER ..." (the layers lowest first, then
# the wrong-way includes still let through, as src/LAYER/FILE:LAYER/HEADER).
set -eu
cd "$1"
layers=$2
exceptions=$3

files=
for layer in $layers; do
    for file in src/"$layer"/*; do
        [ -f "$file" ] && files="$files $file"
    done
done
[ -n "$files" ] || exit 0

# shellcheck disable=SC2086 # the file names hold no spaces
awk -v layers="$layers" -v exceptions="$exceptions" '
    BEGIN {
        count = split(layers, order, " ")
        for (i = 1; i <= count; ++i) rank[order[i]] = i
        split(exceptions, list, " ")
        for (i in list) allowed[list[i]] = 1
    }
    match($0, /^#include "[a-z_0-9]+\//) {
        split(FILENAME, path, "/")
        header = substr($0, 11)
        sub(/".*/, "", header)
        split(header, part, "/")
        used = part[1]
        if (!(used in rank) || rank[used] <= rank[path[2]]) next
        if ((FILENAME ":" header) in allowed) next
        printf "%s:%d: error: layer %s includes %s of layer %s, which comes after it " \
            "(layers, lowest first: %s)\n", FILENAME, FNR, path[2], header, used, layers > "/dev/stderr"
        failed = 1
    }
    END { exit failed }
' $files
