#!/usr/bin/env bash
# vorlen-cli get over loopback beside curl, wget and aria2c in the same run:
# one 1 GiB file, and 200 files of 1 MiB with -j1 and -j5 (bench/peers data
# on nginx 127.0.0.1:18080). Writes bench/results/get.md.
#   RUNS=3 bench/get.sh
# BEFORE=DIR adds rows for the vorlen-cli in DIR (an earlier build kept
# aside), measured in the same run, for a before/after table.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"; ROOT="$(dirname "$HERE")"
RUNS="${RUNS:-3}"
D=/tmp/bench-data
GiB=1073741824; F200=$((200 * 1048576))

. "$HERE/common.sh"
bench_results get
bench_need nginx:nginx-light curl:curl wget:wget aria2c:aria2 /usr/bin/time:time
bench_build vorlen-cli
CLI="$ROOT/build-release/src/cli/vorlen-cli"
"$K/mkdata.sh" >/dev/null
bench_server
export XDG_CONFIG_HOME="$O/get-conf"
trap 'bench_server_stop; rm -rf "$XDG_CONFIG_HOME" "$O/get"' EXIT

PRE="rm -rf $O/get $XDG_CONFIG_HOME; mkdir -p $O/get; sync"; CNT="ls $O/get | grep -c 'bin\$'"
M() { local g=$1 n=$2; shift 2; "$PY" "$K/lib/measure.py" --out "$RES" --group "$g" --name "$n" --runs "$RUNS" --pre "$PRE" "$@"; }
M dl "vorlen-cli get -> /tmp file" --bytes $GiB -- "$CLI get -d $O/get $U/big/1g.bin 2>/dev/null"
[ -n "${BEFORE:-}" ] && M dl "vorlen-cli get -> /tmp file (before)" --bytes $GiB -- "$BEFORE/vorlen-cli get -d $O/get $U/big/1g.bin 2>/dev/null"
M dl "curl -> /tmp file" --bytes $GiB -- "curl -s -o $O/get/1g.bin $U/big/1g.bin"
M dl "wget -> /tmp file" --bytes $GiB -- "wget -q -O $O/get/1g.bin $U/big/1g.bin"
M dl "aria2c -x1 -> /tmp file" --bytes $GiB -- \
  "aria2c -q -x1 -s1 --file-allocation=none --allow-overwrite=true --auto-file-renaming=false -d $O/get -o 1g.bin $U/big/1g.bin"
for j in 1 5; do
  M multi "vorlen-cli get -j$j" --bytes $F200 --items-cmd "$CNT" --items-label files -- "$CLI get -j $j -d $O/get -i $D/files.urls 2>/dev/null"
  [ -n "${BEFORE:-}" ] && M multi "vorlen-cli get -j$j (before)" --bytes $F200 --items-cmd "$CNT" --items-label files -- "$BEFORE/vorlen-cli get -j $j -d $O/get -i $D/files.urls 2>/dev/null"
  M multi "aria2c -j$j" --bytes $F200 --items-cmd "$CNT" --items-label files -- \
    "aria2c -q --file-allocation=none --allow-overwrite=true --auto-file-renaming=false -i $D/files.urls -d $O/get -j$j"
done
M multi "curl -Z --parallel-max 5" --bytes $F200 --items-cmd "$CNT" --items-label files -- \
  "curl -s -Z --parallel-max 5 --output-dir $O/get --remote-name-all \$(cat $D/files.urls)"
M multi "wget -i (sequential, keep-alive)" --bytes $F200 --items-cmd "$CNT" --items-label files -- "wget -q -i $D/files.urls -P $O/get"
bench_report get
[ -f "$HERE/results/get.notes" ] && cat "$HERE/results/get.notes" >> "$HERE/results/get.md" || true
