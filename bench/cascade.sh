#!/usr/bin/env bash
# vorlen-cli cascade over the peers' generated site (1981 pages in three
# levels, ~20 images each, 8381 files; bench/peers on nginx 127.0.0.1:18080)
# beside wget -r -l 3 and wget2 over the same site in the same run: pages
# searched per second, files, peak memory; the downloading crawls with and
# without --keep-alive. Writes bench/results/cascade.md.
#   RUNS=3 bench/cascade.sh
#
# The levels count differently: wget's -l 3 reaches the images of the pages
# at depth 2, which is a cascade of 2 levels (the start page is level 0 and
# files are collected from every page searched). --scope below is wget's -np.
#
# Everything written goes to WHERE (default: /dev/shm, a tmpfs) so that the
# figures are those of the programs, not of the disk: on this machine's ext4
# (no journal), every file created within half a minute of many deletions
# waits while the allocator steps over the recently deleted inodes, which
# punishes whoever runs after a clean-up (and our partial files, created and
# deleted once per download). WHERE=/tmp/bench-out gives the disk figures.
#
# BEFORE=DIR adds rows for the vorlen-cli in DIR (an earlier build kept
# aside) for the -j 5 crawls, measured in the same run; results/cascade.notes,
# when present, is appended to results/cascade.md.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"; ROOT="$(dirname "$HERE")"
RUNS="${RUNS:-3}"

. "$HERE/common.sh"
bench_results cascade
bench_need nginx:nginx-light wget:wget wget2:wget2 /usr/bin/time:time
bench_build vorlen-cli
CLI="$ROOT/build-release/src/cli/vorlen-cli"
"$K/mksite.sh" >/dev/null
bench_server
WHERE="${WHERE:-/dev/shm/vorlen-bench}"; mkdir -p "$WHERE"
export XDG_CONFIG_HOME="$WHERE/cascade-conf"
C="$WHERE/crawl"
trap 'bench_server_stop; rm -rf "$XDG_CONFIG_HOME" "$C" "$O/cascade.list" "$O/cascade.err"; rmdir "$WHERE" 2>/dev/null || true' EXIT

START="$U/site/index.html"
PRE="rm -rf $C $XDG_CONFIG_HOME; mkdir -p $C; sync"
# Files saved and pages: wget saves every page it searches; ours counts the
# pages it searched (its status lines) and saves only what it collected.
FILES="find $C -type f | wc -l"
SEARCHED="grep -c -E 'を検索しています|^searching ' $O/cascade.err"
M() { local n=$1; shift; "$PY" "$K/lib/measure.py" --out "$RES" --group crawl --name "$n" --runs "$RUNS" --pre "$PRE" --timeout 300 "$@"; }

# --retry 1: the site's 100 off-site links (127.0.0.2, nobody listens) fail
# at once instead of being tried again for ever.
OURS="$CLI cascade $START -l 2 --scope below --retry 1 --retry-wait 0"
M "vorlen-cli cascade -l 2 --list" --items-cmd "wc -l < $O/cascade.list; $SEARCHED" --items-label addresses,pages -- \
  "$OURS --list > $O/cascade.list 2> $O/cascade.err"
for j in 1 5; do
  M "vorlen-cli cascade -l 2 -j $j (download)" --items-cmd "$FILES; $SEARCHED" --items-label files,pages -- \
    "$OURS -j $j --dir-reapp -d $C > /dev/null 2> $O/cascade.err || [ \$? = 5 ]"
done
BEFORE_OURS="${BEFORE:+$BEFORE/vorlen-cli cascade $START -l 2 --scope below --retry 1 --retry-wait 0}"
[ -n "${BEFORE:-}" ] && M "vorlen-cli cascade -l 2 -j 5 (download, before)" --items-cmd "$FILES; $SEARCHED" --items-label files,pages -- \
  "$BEFORE_OURS -j 5 --dir-reapp -d $C > /dev/null 2> $O/cascade.err || [ \$? = 5 ]"
# Persistent connections: the crawl's pages and the queue's files share the
# connections (as wget and wget2 do by default).
for j in 1 5; do
  M "vorlen-cli cascade -l 2 -j $j --keep-alive (download)" --items-cmd "$FILES; $SEARCHED" --items-label files,pages -- \
    "$OURS -j $j --keep-alive --dir-reapp -d $C > /dev/null 2> $O/cascade.err || [ \$? = 5 ]"
done
[ -n "${BEFORE:-}" ] && M "vorlen-cli cascade -l 2 -j 5 --keep-alive (download, before)" --items-cmd "$FILES; $SEARCHED" --items-label files,pages -- \
  "$BEFORE_OURS -j 5 --keep-alive --dir-reapp -d $C > /dev/null 2> $O/cascade.err || [ \$? = 5 ]"
WPAGES="find $C -name '*.html' | wc -l"
M "wget -r -l 3" --items-cmd "$FILES; $WPAGES" --items-label files,pages -- \
  "wget -r -l 3 -np -nH -q -e robots=off -P $C $START"
M "wget2 -r -l 3 (5 threads)" --items-cmd "$FILES; $WPAGES" --items-label files,pages -- \
  "wget2 -r -l 3 -np -nH -q --robots=off --max-threads=5 -P $C $START"
bench_report cascade
[ -f "$HERE/results/cascade.notes" ] && cat "$HERE/results/cascade.notes" >> "$HERE/results/cascade.md" || true
