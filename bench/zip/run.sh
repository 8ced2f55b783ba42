#!/bin/sh
# Times archiving an installation-like tree (about 1 GiB in about 14,000 files) with our writer,
# side by side with `cp -r` and `zip -0 -r` (Debian package zip), in alternating rounds on a
# warm page cache. Prints each run and the median of each tool.
#   bench/zip/run.sh [work folder] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
work=${1:-/tmp/zipbench}
rounds=${2:-5}
build="$repo/build/bench"

(cd "$repo" && cmake --preset linux -B "$build" -DTK_BENCH=ON >/dev/null)
cmake --build "$build" --target zip_bench -j2 >/dev/null
mkdir -p "$work"
[ -d "$work/tree" ] || python3 "$here/make_tree.py" "$work/tree"
echo "tree: $(find "$work/tree" -type f | wc -l) files, $(du -s --apparent-size -BM "$work/tree" | cut -f1)"

# Elapsed seconds, CPU seconds (user + system) and peak resident memory (KiB) of one command.
measure() {
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time.txt"
}

clean() { rm -rf "$work/copy" "$work/infozip.zip" "$work/ours.zip"; }

find "$work/tree" -type f -exec cat {} + >/dev/null # warm the cache
: >"$work/results.txt"
i=0
while [ "$i" -lt "$rounds" ]; do
    clean
    echo "cp $(measure cp -r "$work/tree" "$work/copy")" | tee -a "$work/results.txt"
    clean
    echo "ours $(measure "$build/bench/zip/zip_bench" "$work/tree" "$work/ours.zip")" | tee -a "$work/results.txt"
    clean
    echo "zip $(cd "$work" && measure zip -0 -r -q "$work/infozip.zip" tree)" | tee -a "$work/results.txt"
    i=$((i + 1))
done
clean

# On a shared machine elapsed times swing with the load; CPU time is the steadier figure.
echo "median elapsed, median CPU, peak memory:"
for tool in cp ours zip; do
    grep "^$tool " "$work/results.txt" | awk -v t="$tool" '
        function median(col,   n, i, j, v, a) {
            n = 0
            for (i = 1; i <= NR; i++) a[++n] = row[i, col]
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { v = a[i]; a[i] = a[j]; a[j] = v }
            return a[int((n + 1) / 2)]
        }
        { row[NR, 2] = $2; row[NR, 3] = $3; row[NR, 4] = $4 }
        END { printf "%-5s %6.2f s %6.2f s %7.1f MiB\n", t, median(2), median(3), median(4) / 1024 }'
done
