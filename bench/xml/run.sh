#!/bin/bash
# Measures xml2pgsql against the libexpat reference converter on a generated dump.
#   bench/xml/run.sh [SIZE_MB] [XML2PGSQL] [WORK_DIR]
# Defaults: 1024 MB, build/linux/updater/tools/xml2pgsql, a fresh folder under /tmp.
# Prints wall and CPU time (user + system), MB/s per CPU second and peak RSS of both and checks that the two scripts are byte-identical.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
size=${1:-1024}
ours=${2:-$root/build/linux/updater/tools/xml2pgsql}
work=${3:-$(mktemp -d /tmp/xmlbench.XXXXXX)}
bench_build=$root/build/bench-xml

cmake -S "$root/bench/xml" -B "$bench_build" -G Ninja >/dev/null
cmake --build "$bench_build" -j2 >/dev/null
[ -x "$ours" ] || { echo "xml2pgsql not found at $ours (build the linux preset first)"; exit 1; }

dump=$work/dump.xml
[ -f "$dump" ] || "$bench_build/gen_dump" "$dump" "$size"
bytes=$(stat -c %s "$dump")
cat "$dump" >/dev/null # both runs start from a warm page cache

measure() { # name, command...
    local name=$1
    shift
    /usr/bin/time -v "$@" 2>"$work/$name.time" >/dev/null
    local wall cpu rss
    wall=$(grep "Elapsed (wall clock)" "$work/$name.time" | awk '{print $NF}' |
        awk -F: '{ if (NF==3) print $1*3600+$2*60+$3; else print $1*60+$2 }')
    cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$work/$name.time")
    rss=$(grep "Maximum resident set size" "$work/$name.time" | awk '{print $NF}')
    printf "%-10s wall %7.2f s  cpu %7.2f s  %7.1f MB/s of cpu  peak RSS %5.1f MiB\n" "$name" "$wall" "$cpu" \
        "$(echo "$bytes / 1048576 / $cpu" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
}

echo "dump: $dump, $bytes bytes"
measure expat "$bench_build/ref_expat" "$dump" "$work/expat.sql" "$root/updater/res/tables.xml"
measure xml2pgsql "$ours" "$dump" "$work/ours.sql"
cmp "$work/expat.sql" "$work/ours.sql" && echo "outputs are byte-identical ($(stat -c %s "$work/ours.sql") bytes)"
