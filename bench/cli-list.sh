#!/usr/bin/env bash
# vorlen-cli list over the peers' generated 10 MiB and 1 MiB pages and the
# extraction benchmark's generated 10 MiB page (PageItemsBench.cpp, written
# out by it) served by nginx on 127.0.0.1 (bench/peers), from the network and
# from the page cache,
# with libxml2's HTML parser over the same file beside it (bench/peers/src/
# links_libxml2.c), in the same run. Writes bench/results/cli-list.md.
#   RUNS=5 bench/cli-list.sh
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"; ROOT="$(dirname "$HERE")"
RUNS="${RUNS:-5}"

. "$HERE/common.sh"
bench_results cli-list
bench_need nginx:nginx-light /usr/bin/time:time gcc:gcc /usr/include/libxml2:libxml2-dev
bench_build vorlen-cli
bench_build pageitemsbench
CLI="$ROOT/build-release/src/cli/vorlen-cli"
"$K/mksite.sh" >/dev/null
"$K/build.sh" >/dev/null
mkdir -p /tmp/bench-www/gen
PAGEITEMS_PAGES=/tmp/bench-www/gen "$ROOT/build-release/bench/pageitemsbench" \
  --benchmark_filter='BM_SetSource/10$' --benchmark_min_time=0.01 >/dev/null
BIN="${BENCH_BIN:-/tmp/bench-bin}"
bench_server
# A data folder of its own, with room in the cache for the 10 MiB page.
export XDG_CONFIG_HOME="$O/cli-conf"
rm -rf "$XDG_CONFIG_HOME"; mkdir -p "$XDG_CONFIG_HOME/Vorlen"
printf '[Setting]\r\nUseCache=1\r\nCacheSize=100\r\n' > "$XDG_CONFIG_HOME/Vorlen/option.dat"
trap 'bench_server_stop; rm -rf "$XDG_CONFIG_HOME"' EXIT

M() { "$PY" "$K/lib/measure.py" --out "$RES" --group parse "$@"; }
for path in html/big1m html/big10m gen/page10m; do
  page="${path#*/}"
  bytes=$(stat -c %s "/tmp/bench-www/$path.html")
  CNT="$CLI list $U/$path.html 2>/dev/null | wc -l"
  M --name "$page: vorlen-cli list from the network" --runs "$RUNS" --bytes "$bytes" --items-cmd "$CNT" --items-label records -- \
    "$CLI list --no-cache $U/$path.html >/dev/null 2>&1"
  "$CLI" list "$U/$path.html" >/dev/null 2>&1   # puts it in the cache
  M --name "$page: vorlen-cli list from the cache" --runs "$RUNS" --bytes "$bytes" -- \
    "$CLI list $U/$path.html >/dev/null 2>&1"
  M --name "$page: libxml2 HTML parser (+SJIS->UTF-8) + walk, from the file" --runs "$RUNS" --self -- \
    "$BIN/links_libxml2 /tmp/bench-www/$path.html"
done
bench_report cli-list
[ -f "$HERE/results/cli-list.notes" ] && cat "$HERE/results/cli-list.notes" >> "$HERE/results/cli-list.md" || true
