#!/bin/sh
# Checks that the folders of src/ include each other in one direction only:
# every folder has a level, and a file may include only from its own folder or
# from a folder on a lower level. With every edge pointing down, the include
# graph between folders has no cycle. Prints the folder graph; exits 1 on an
# upward or sideways include, or on a folder without a level.
cd "$(dirname "$0")/../src" || exit 2

level() {
    case "$1" in
    platform) echo 0 ;;
    link) echo 1 ;;
    device) echo 2 ;;
    session) echo 3 ;;
    pages) echo 4 ;;
    history | update | tools) echo 5 ;;
    app) echo 6 ;;
    *) echo "" ;;
    esac
}

status=0
edges=$(
    for dir in */; do
        from=${dir%/}
        grep -Ho '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]*/' "$from"/* 2>/dev/null |
            sed -E 's#^([^:]*):.*"([^"/]*)/$#\1 '"$from"' \2#'
    done
)
for dir in */; do
    d=${dir%/}
    if [ -z "$(level "$d")" ]; then
        echo "folder src/$d has no level in tools/check_layers.sh"
        status=1
    fi
done

graph=$(echo "$edges" | awk 'NF == 3 && $2 != $3 { print $2 " -> " $3 }' | sort -u)
echo "$graph"

bad=$(echo "$edges" | while read -r file from to; do
    [ -n "$file" ] && [ "$from" != "$to" ] || continue
    lf=$(level "$from")
    lt=$(level "$to")
    if [ -z "$lt" ] || [ -z "$lf" ] || [ "$lt" -ge "$lf" ]; then
        echo "src/$file: $from includes from $to, which is not below it"
    fi
done)
if [ -n "$bad" ]; then
    echo "$bad"
    status=1
fi
[ "$status" -eq 0 ] && echo "no include goes up: the folder graph has no cycle"
exit "$status"
