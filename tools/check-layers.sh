#!/bin/bash
# Checks the order of the layers: a file of a layer may include the headers of its own
# layer and of those before it, never those of a layer after it, and the Qt-free layers
# include no Qt header. Prints each offending include and exits 1; 0 when all is in order.
#
#   tools/check-layers.sh [SOURCE_ROOT]

set -u
root=${1:-$(dirname "$0")/..}
layers=(platform trace stats cli probe framework res controls watch docview app)
qt_free=(platform trace stats cli probe)

declare -A owner # header name -> index of the layer that holds it
failed=0
for index in "${!layers[@]}"; do
    layer=${layers[$index]}
    for header in "$root/$layer"/*.h "$root/$layer"/*.h.in; do
        [ -e "$header" ] || continue
        name=$(basename "$header" .in)
        if [ -n "${owner[$name]:-}" ]; then
            echo "$layer/$name: a header of that name is in ${layers[${owner[$name]}]}/ too"
            failed=1
        fi
        owner[$name]=$index
    done
done

for index in "${!layers[@]}"; do
    layer=${layers[$index]}
    for file in "$root/$layer"/*.h "$root/$layer"/*.cpp; do
        [ -e "$file" ] || continue
        while IFS=: read -r line name; do
            if [ -z "${owner[$name]:-}" ]; then
                echo "$layer/$(basename "$file"):$line: \"$name\" belongs to no layer"
                failed=1
            elif [ "${owner[$name]}" -gt "$index" ]; then
                echo "$layer/$(basename "$file"):$line: includes \"$name\" of ${layers[${owner[$name]}]}/, a layer above"
                failed=1
            fi
        done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
                 sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
    done
done

for layer in "${qt_free[@]}"; do
    if (cd "$root" && grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$layer"/*.h "$layer"/*.cpp); then
        echo "$layer/ is Qt-free, but includes the Qt headers above"
        failed=1
    fi
done

exit "$failed"
