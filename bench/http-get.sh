#!/usr/bin/env bash
# One 1 GiB body over loopback: TInetHTTP::Get to a file and to memory, beside
# curl and wget in the same run. Uses the kit in bench/peers (nginx on
# 127.0.0.1:18080, data in /tmp/bench-www) and writes bench/results/http-get.md.
#   RUNS=5 bench/http-get.sh
# BEFORE=DIR adds rows for the vorlen-httpget in DIR (an earlier build kept
# aside), measured in the same run, for a before/after table.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"; ROOT="$(dirname "$HERE")"
RUNS="${RUNS:-5}"
GiB=1073741824

. "$HERE/common.sh"
bench_results http-get
bench_need nginx:nginx-light curl:curl wget:wget /usr/bin/time:time
bench_build vorlen-httpget
BIN="$ROOT/build-release/bench/vorlen-httpget"
"$K/build.sh" >/dev/null
"$K/mkdata.sh" >/dev/null
bench_server
trap 'bench_server_stop; rm -f $O/dl.bin' EXIT

PRE="rm -f $O/dl.bin; sync"
M() { local n=$1; shift; "$PY" "$K/lib/measure.py" --out "$RES" --group dl --name "$n" --runs "$RUNS" --bytes $GiB "$@"; }
M "vorlen TInetHTTP::Get -> /tmp file" --pre "$PRE" -- "$BIN $U/big/1g.bin $O/dl.bin"
M "vorlen TInetHTTP::Get -> memory" -- "$BIN --memory $U/big/1g.bin"
if [ -n "${BEFORE:-}" ]; then
  M "vorlen TInetHTTP::Get -> /tmp file (before)" --pre "$PRE" -- "$BEFORE/vorlen-httpget $U/big/1g.bin $O/dl.bin"
  M "vorlen TInetHTTP::Get -> memory (before)" -- "$BEFORE/vorlen-httpget --memory $U/big/1g.bin"
fi
M "sockbench recv 1024, write 64 KiB -> /tmp file" --pre "$PRE" -- "/tmp/bench-bin/sockbench http 18080 /big/1g.bin 1024 $O/dl.bin 65536"
M "curl -> /tmp file" --pre "$PRE" -- "curl -s -o $O/dl.bin $U/big/1g.bin"
M "wget -> /tmp file" --pre "$PRE" -- "wget -q -O $O/dl.bin $U/big/1g.bin"
M "curl -> /dev/null" -- "curl -s -o /dev/null $U/big/1g.bin"
"$PY" "$K/lib/report.py" "$RES" > "$HERE/results/http-get.md" 2>/dev/null || cp "$RES" "$HERE/results/http-get.jsonl"
[ -f "$HERE/results/http-get.notes" ] && cat "$HERE/results/http-get.notes" >> "$HERE/results/http-get.md" || true
cat "$HERE/results/http-get.md" 2>/dev/null | grep -E '^\|' || true
