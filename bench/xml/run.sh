#!/bin/bash
# Measures xml2pgsql against the libexpat reference converter on generated dumps, side by side.
#   bench/xml/run.sh [SIZE_MB] [SHAPES] [ROUNDS] [WORK_DIR]
# Defaults: 1024 MB, the shapes "plain app", 3 rounds, a fresh folder under /tmp. XML2PGSQL names
# another converter to measure (default: the one this script builds).
# Builds gen_dump, ref_expat and xml2pgsql with the linux preset and -DTK_BENCH=ON in build/bench,
# prints wall and CPU time (user + system), MB/s per CPU second and peak RSS of every run, the medians
# and their ratios, and checks that the two scripts are byte-identical.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
size=${1:-1024}
shapes=${2:-plain app}
rounds=${3:-3}
work=${4:-$(mktemp -d /tmp/xmlbench.XXXXXX)}
build=$root/build/bench

(cd "$root" && cmake --preset linux -B "$build" -DTK_BENCH=ON >/dev/null)
cmake --build "$build" --target gen_dump ref_expat xml2pgsql -j2 >/dev/null
ours=${XML2PGSQL:-$build/updater/tools/xml2pgsql}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure() { # name, command...: appends "wall cpu rss_kb" to $work/$name.runs
    local name=$1
    shift
    rm -f "$work/$name.sql"
    /usr/bin/time -v "$@" 2>"$work/$name.time" >/dev/null
    local wall cpu rss
    wall=$(grep "Elapsed (wall clock)" "$work/$name.time" | awk '{print $NF}' |
        awk -F: '{ if (NF==3) print $1*3600+$2*60+$3; else print $1*60+$2 }')
    cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' "$work/$name.time")
    rss=$(grep "Maximum resident set size" "$work/$name.time" | awk '{print $NF}')
    echo "$wall $cpu $rss" >>"$work/$name.runs"
    printf "  %-10s wall %7.2f s  cpu %7.2f s  %7.1f MB/s of cpu  peak RSS %5.1f MiB\n" "$name" "$wall" "$cpu" \
        "$(echo "$bytes / 1048576 / $cpu" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for shape in $shapes; do
    dump=$work/$shape.xml
    [ -f "$dump" ] || "$build/bench/xml/gen_dump" --shape "$shape" "$dump" "$size"
    bytes=$(stat -c %s "$dump")
    cat "$dump" >/dev/null # every run starts from a warm page cache
    echo "shape $shape: $dump, $bytes bytes"
    rm -f "$work/expat.runs" "$work/xml2pgsql.runs"
    for round in $(seq "$rounds"); do
        measure expat "$build/bench/xml/ref_expat" "$dump" "$work/expat.sql" "$root/updater/res/tables.xml"
        measure xml2pgsql "$ours" "$dump" "$work/xml2pgsql.sql"
        cmp "$work/expat.sql" "$work/xml2pgsql.sql" || { echo "the scripts differ"; exit 1; }
    done
    for i in 1 2 3; do
        eval "e$i=$(cut -d' ' -f$i "$work/expat.runs" | median)"
        eval "o$i=$(cut -d' ' -f$i "$work/xml2pgsql.runs" | median)"
    done
    printf "  medians: expat wall %.2f s cpu %.2f s %.1f MiB; xml2pgsql wall %.2f s cpu %.2f s %.1f MiB\n" \
        "$e1" "$e2" "$(echo "$e3 / 1024" | bc -l)" "$o1" "$o2" "$(echo "$o3 / 1024" | bc -l)"
    printf "  xml2pgsql is %.2f times as fast by wall time, %.2f times by CPU time; scripts identical (%s bytes)\n" \
        "$(echo "$e1 / $o1" | bc -l)" "$(echo "$e2 / $o2" | bc -l)" "$(stat -c %s "$work/xml2pgsql.sql")"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
