#!/usr/bin/env bash
# One command for the whole baseline: install tools, build helpers, make data, start nginx,
# run every benchmark (loopback only, each run bounded), write bench/peers/BASELINE.md.
#   RUNS=5 (runs per benchmark)   BUDGET=540 (seconds; later benchmarks are skipped past it)
#   ONLY="phys dl multi crawl parse iconv" (subset of groups)
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
RUNS="${RUNS:-5}"; BUDGET="${BUDGET:-540}"; ONLY="${ONLY:-phys dl multi crawl parse iconv}"
BIN="${BENCH_BIN:-/tmp/bench-bin}"; W=/tmp/bench-www; D=/tmp/bench-data; O=/tmp/bench-out
PORT=18080; U="http://127.0.0.1:$PORT"
RES="$O/results.jsonl"; PY=/usr/bin/python3
BG_PIDS=(); STARTED_NGINX=0

cleanup() {
  for p in "${BG_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$O/dl.bin" "$O/multi" "$O/crawl"
  if [ "$STARTED_NGINX" = 1 ]; then "$HERE/server.sh" stop >/dev/null || true; fi
}
trap cleanup EXIT

# ---- tools (Debian packages only) ----
need=()
for pair in nginx:nginx-light wget2:wget2 aria2c:aria2 iperf3:iperf3 nc:netcat-openbsd curl:curl wget:wget \
            gcc:gcc /usr/bin/time:time /usr/include/gumbo.h:libgumbo-dev /usr/include/libxml2:libxml2-dev; do
  c=${pair%%:*}; pk=${pair#*:}
  if [[ $c == /* ]]; then [ -e "$c" ] || need+=("$pk"); else command -v "$c" >/dev/null || [ -x "/usr/sbin/$c" ] || need+=("$pk"); fi
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

"$HERE/build.sh" >/dev/null
"$HERE/mkdata.sh" >/dev/null
"$HERE/mksite.sh" >/dev/null
mkdir -p "$O"; : > "$RES"; : > "$O/skipped.txt"
if ! "$HERE/server.sh" status >/dev/null 2>&1; then "$HERE/server.sh" start; STARTED_NGINX=1; fi

# ---- smoke: the server gives what a resuming HTTP/1.0 client needs ----
h=$(curl -s -o /dev/null -D - --http1.0 -H 'Connection: close' -r 100- "$U/files/f000.bin")
for want in '^HTTP/1.1 206' '^Content-Length: 1048476' '^Last-Modified:' '^Content-Range: bytes 100-1048575/1048576'; do
  grep -qiE "$want" <<<"${h//$'\r'/}" || { echo "server smoke check failed: $want"; echo "$h"; exit 1; }
done

M() {  # M group name [measure.py options] -- cmd
  if [ "$SECONDS" -ge "$BUDGET" ]; then echo "  [skip $1/$2: past BUDGET=${BUDGET}s]"; echo "$1/$2" >> "$O/skipped.txt"; return 0; fi
  local g=$1 n=$2; shift 2
  "$PY" "$HERE/lib/measure.py" --out "$RES" --group "$g" --name "$n" "$@" || echo "  [measure failed: $g/$n]"
}
on() { [[ " $ONLY " == *" $1 "* ]]; }
GiB=1073741824; F200=$((200 * 1048576))
SITE_BYTES=$(find "$W/site" -type f ! -name site.json -printf '%s\n' | awk '{s+=$1} END {print s}')
SITE_FILES=$(find "$W/site" -type f ! -name site.json | wc -l)

if on phys; then
  echo "== phys"
  M phys "memcpy 256 MiB (median of 9 copies)" --runs 3 --self -- "$BIN/memcpybench 256 9"
  timeout 300 iperf3 -s -B 127.0.0.1 -p 15201 >/dev/null 2>&1 & BG_PIDS+=($!); sleep 0.5
  M phys "iperf3 loopback 1 stream, 3 s" --runs 3 --self --timeout 30 -- \
    "iperf3 -c 127.0.0.1 -p 15201 -t 3 -J | $PY -c 'import json,sys; e=json.load(sys.stdin)[\"end\"]; print(\"MBps=%.1f\" % (e[\"sum_received\"][\"bits_per_second\"]/8e6))'"
  M phys "dd 4 GiB | nc (loopback)" --runs 3 --bytes $((4 * GiB)) --timeout 60 \
    --pre "(timeout 60 nc -l 127.0.0.1 15202 >/dev/null 2>&1 &); sleep 0.3" -- \
    "dd if=/dev/zero bs=1M count=4096 status=none | nc -N 127.0.0.1 15202"
  "$BIN/sockbench" send 15203 $GiB $((4 * RUNS)) >/dev/null 2>&1 & BG_PIDS+=($!); sleep 0.2
  for b in 1024 4096 16384 65536; do
    M phys "raw TCP recv() loop, buf $b (1 GiB)" --runs "$RUNS" --self --bytes $GiB --timeout 60 -- "$BIN/sockbench recv 15203 $b"
  done
fi

if on dl; then
  echo "== dl"
  PRE="rm -f $O/dl.bin; sync"
  M dl "curl -> /dev/null" --runs "$RUNS" --bytes $GiB -- "curl -s -o /dev/null $U/big/1g.bin"
  M dl "curl -> /tmp file" --runs "$RUNS" --bytes $GiB --pre "$PRE" -- "curl -s -o $O/dl.bin $U/big/1g.bin"
  M dl "wget -> /dev/null" --runs "$RUNS" --bytes $GiB -- "wget -q -O /dev/null $U/big/1g.bin"
  M dl "wget -> /tmp file" --runs "$RUNS" --bytes $GiB --pre "$PRE" -- "wget -q -O $O/dl.bin $U/big/1g.bin"
  M dl "aria2c -x1 -> /tmp file" --runs "$RUNS" --bytes $GiB --pre "$PRE" -- \
    "aria2c -q -x1 -s1 --file-allocation=none --allow-overwrite=true --auto-file-renaming=false -d $O -o dl.bin $U/big/1g.bin"
  for b in 1024 65536; do
    M dl "sockbench HTTP/1.0 recv $b, discard" --runs "$RUNS" --self --bytes $GiB -- "$BIN/sockbench http $PORT /big/1g.bin $b"
  done
  M dl "sockbench recv 1024, write 1024 -> /tmp file" --runs "$RUNS" --self --bytes $GiB --pre "$PRE" -- "$BIN/sockbench http $PORT /big/1g.bin 1024 $O/dl.bin 1024"
  M dl "sockbench recv 1024, write 64 KiB -> /tmp file" --runs "$RUNS" --self --bytes $GiB --pre "$PRE" -- "$BIN/sockbench http $PORT /big/1g.bin 1024 $O/dl.bin 65536"
  M dl "sockbench recv 64 KiB, write 64 KiB -> /tmp file" --runs "$RUNS" --self --bytes $GiB --pre "$PRE" -- "$BIN/sockbench http $PORT /big/1g.bin 65536 $O/dl.bin 65536"
  M dl "curl resume: Range second half -> /dev/null" --runs "$RUNS" --bytes $((GiB / 2)) -- "curl -s -r $((GiB / 2))- -o /dev/null $U/big/1g.bin"
  rm -f "$O/dl.bin"
fi

if on multi; then
  echo "== multi"
  PRE="rm -rf $O/multi; mkdir -p $O/multi; sync"; CNT="ls $O/multi | grep -c 'bin\$'"
  A="aria2c -q --file-allocation=none --allow-overwrite=true --auto-file-renaming=false -i $D/files.urls -d $O/multi"
  M multi "aria2c -j5" --runs "$RUNS" --bytes $F200 --pre "$PRE" --items-cmd "$CNT" --items-label files -- "$A -j5"
  M multi "aria2c -j1" --runs "$RUNS" --bytes $F200 --pre "$PRE" --items-cmd "$CNT" --items-label files -- "$A -j1"
  M multi "curl -Z --parallel-max 5" --runs "$RUNS" --bytes $F200 --pre "$PRE" --items-cmd "$CNT" --items-label files -- \
    "curl -s -Z --parallel-max 5 --output-dir $O/multi --remote-name-all \$(cat $D/files.urls)"
  M multi "wget -i (sequential, keep-alive)" --runs "$RUNS" --bytes $F200 --pre "$PRE" --items-cmd "$CNT" --items-label files -- \
    "wget -q -i $D/files.urls -P $O/multi"
  for item in "1024 5 1024" "1024 5 65536" "65536 5 65536" "1024 1 65536"; do
    set -- $item
    M multi "sockbench poll x$2, recv $1, write $3" --runs "$RUNS" --self --bytes $F200 --pre "$PRE" --items-cmd "$CNT" --items-label files -- \
      "$BIN/sockbench multi $PORT $1 $2 $O/multi $D/files.paths $3"
  done
fi

if on crawl; then
  echo "== crawl"
  PRE="rm -rf $O/crawl; sync"
  CNT="find $O/crawl -type f | wc -l; find $O/crawl -name '*.html' | wc -l"
  C=(--runs "$RUNS" --pre "$PRE" --items-cmd "$CNT" --items-label files,pages --timeout 120)
  M crawl "wget -r -l 3 (whole site: $SITE_FILES files, $((SITE_BYTES / 1000000)) MB)" "${C[@]}" -- "wget -r -l 3 -np -nH -q -e robots=off -P $O/crawl $U/site/index.html"
  M crawl "wget -r -l 2" "${C[@]}" -- "wget -r -l 2 -np -nH -q -e robots=off -P $O/crawl $U/site/index.html"
  M crawl "wget2 -r -l 3 (5 threads)" "${C[@]}" -- "wget2 -r -l 3 -np -nH -q --robots=off --max-threads=5 -P $O/crawl $U/site/index.html"
  M crawl "wget2 -r -l 3 (1 thread)" "${C[@]}" -- "wget2 -r -l 3 -np -nH -q --robots=off --max-threads=1 -P $O/crawl $U/site/index.html"
  rm -rf "$O/crawl"
fi

if on parse; then
  echo "== parse"
  for pg in big10m big1m; do
    f="$W/html/$pg.html"; sz=$(stat -c %s "$f")
    M parse "$pg: flatscan.c (hand-written flat scanner, reference)" --runs "$RUNS" --self -- "$BIN/flatscan $f"
    M parse "$pg: gumbo 0.10 (HTML5 tree) + walk" --runs "$RUNS" --self -- "$BIN/links_gumbo $f"
    M parse "$pg: libxml2 HTML parser (+SJIS->UTF-8) + walk" --runs "$RUNS" --self -- "$BIN/links_libxml2 $f"
    M parse "$pg: python html.parser (+cp932 decode)" --runs "$RUNS" --self -- "$PY $HERE/lib/links_py.py htmlparser $f"
    M parse "$pg: python re over bytes" --runs "$RUNS" --self -- "$PY $HERE/lib/links_py.py re $f"
    M parse "$pg: grep -oiE | sort -u (wall incl. start)" --runs "$RUNS" --self -- "$HERE/lib/grep_links.sh $f"
  done
fi

if on iconv; then
  echo "== iconv"
  for item in "EUC-JP CP932 euc" "UTF-8 CP932 utf8" "ISO-2022-JP CP932 jis" "CP932 UTF-8 sjis" "EUC-JP SHIFT_JIS euc"; do
    set -- $item; f="$D/jtext.$3"
    M iconv "iconv $1 -> $2 ($(($(stat -c %s "$f") / 1024)) KiB in, wall incl. start)" --runs "$RUNS" --bytes "$(stat -c %s "$f")" -- "iconv -f $1 -t $2 $f > /dev/null"
  done
  for item in "euc_jp cp932 euc" "utf-8 cp932 utf8" "iso2022_jp cp932 jis"; do
    set -- $item
    M iconv "python codecs $1 -> $2" --runs "$RUNS" --self -- "$PY $HERE/lib/pyconv.py $1 $2 $D/jtext.$3"
  done
fi

"$PY" "$HERE/lib/report.py" "$RES" > "$HERE/BASELINE.md"
if [ -s "$O/skipped.txt" ]; then
  { echo; echo "Skipped (past BUDGET=${BUDGET}s): $(paste -sd ';' "$O/skipped.txt")"; } >> "$HERE/BASELINE.md"
fi
{ echo; echo "Run: \`RUNS=$RUNS BUDGET=$BUDGET ONLY=\"$ONLY\" bench/peers/run-peers.sh\` took ${SECONDS}s."; } >> "$HERE/BASELINE.md"
cp "$RES" "$HERE/results.jsonl"
echo "wrote $HERE/BASELINE.md and results.jsonl in ${SECONDS}s"
