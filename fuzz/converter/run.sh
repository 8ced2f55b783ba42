#!/bin/bash
# Builds the converter's fuzz target with clang (libFuzzer, ASan, UBSan) and runs it.
#   fuzz/converter/run.sh [seconds]     default 300
# Findings go to fuzz/converter/findings/; the corpus grows in build/fuzz-converter/corpus.
set -euo pipefail
seconds=${1:-300}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz-converter
mkdir -p "$out/corpus" "$root/fuzz/converter/findings"

sources=("$root"/updater/src/oxml/*.cpp "$root"/updater/src/DataConverterUnit.cpp
         "$root"/updater/src/TableListUnit.cpp "$root"/updater/src/LoggerUnit.cpp "$root"/updater/src/CommandLine.cpp
         "$root"/common/platform/Platform.cpp "$root"/common/platform/Resources.cpp
         "$root"/common/text/CodePages.cpp "$root"/common/text/CodePagesIconv.cpp "$root"/common/text/Utf.cpp
         "$root"/common/xml/pugi/XmlDomPugi.cpp)
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/updater/src" -I"$root/common" "$root/fuzz/converter/converter_fuzz.cpp" "${sources[@]}" -lpugixml \
    -o "$out/converter_fuzz"

cd "$root/fuzz/converter/findings"
"$out/converter_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$out/corpus" "$root/fuzz/converter/seeds"
