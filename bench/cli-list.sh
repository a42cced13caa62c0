#!/usr/bin/env bash
# vorlen-cli list over the peers' generated 10 MiB and 1 MiB pages served by
# nginx on 127.0.0.1 (bench/peers), from the network and from the page cache,
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
CLI="$ROOT/build-release/src/cli/vorlen-cli"
"$K/mksite.sh" >/dev/null
"$K/build.sh" >/dev/null
BIN="${BENCH_BIN:-/tmp/bench-bin}"
bench_server
# A data folder of its own, with room in the cache for the 10 MiB page.
export XDG_CONFIG_HOME="$O/cli-conf"
rm -rf "$XDG_CONFIG_HOME"; mkdir -p "$XDG_CONFIG_HOME/Vorlen"
printf '[Setting]\r\nUseCache=1\r\nCacheSize=100\r\n' > "$XDG_CONFIG_HOME/Vorlen/option.dat"
trap 'bench_server_stop; rm -rf "$XDG_CONFIG_HOME"' EXIT

M() { "$PY" "$K/lib/measure.py" --out "$RES" --group parse "$@"; }
for page in big1m big10m; do
  bytes=$(stat -c %s "/tmp/bench-www/html/$page.html")
  CNT="$CLI list $U/html/$page.html 2>/dev/null | wc -l"
  M --name "$page: vorlen-cli list from the network" --runs "$RUNS" --bytes "$bytes" --items-cmd "$CNT" --items-label records -- \
    "$CLI list --no-cache $U/html/$page.html >/dev/null 2>&1"
  "$CLI" list "$U/html/$page.html" >/dev/null 2>&1   # puts it in the cache
  M --name "$page: vorlen-cli list from the cache" --runs "$RUNS" --bytes "$bytes" -- \
    "$CLI list $U/html/$page.html >/dev/null 2>&1"
  M --name "$page: libxml2 HTML parser (+SJIS->UTF-8) + walk, from the file" --runs "$RUNS" --self -- \
    "$BIN/links_libxml2 /tmp/bench-www/html/$page.html"
done
bench_report cli-list
[ -f "$HERE/results/cli-list.notes" ] && cat "$HERE/results/cli-list.notes" >> "$HERE/results/cli-list.md" || true
