#!/usr/bin/env bash
# The download window while it works hardest (tools/dlwin.cpp): a cascade
# over the peers' generated site (1981 pages, 8381 files and 100 off-site
# links; bench/peers on nginx 127.0.0.1:18080) with 5 transfers, and 2000
# queued files from a paced loopback server. Each load runs on the offscreen
# platform and under Xvfb. Figures: the main thread's longest stall (how
# late a 10 ms timer ticks), the ticks late by 50 ms or more, the view's
# repaints per second, the wall time. Writes bench/results/dlwin.md.
#   RUNS=3 bench/dlwin.sh          (BUILD=build uses an existing build folder)
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"; ROOT="$(dirname "$HERE")"
RUNS="${RUNS:-3}"

. "$HERE/common.sh"
bench_need nginx:nginx-light xvfb-run:xvfb
if [ -n "${BUILD:-}" ]; then
  B="$ROOT/$BUILD"; cmake --build "$B" -j2 --target dlwin-bench >/dev/null
else
  bench_build dlwin-bench; B="$ROOT/build-release"
fi
EXE="$B/bench/dlwin-bench"
"$K/mksite.sh" >/dev/null
bench_server
# Saved files on tmpfs, as in cascade.sh: the figures are the window's.
export WORK="${WHERE:-/dev/shm/vorlen-bench}/dlwin"
export XDG_CONFIG_HOME="$WORK-conf" XDG_RUNTIME_DIR="$WORK-run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
trap 'bench_server_stop; rm -rf "$WORK" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"' EXIT

run() { # platform, then the bench's arguments
  local platform=$1; shift
  if [ "$platform" = xcb ]; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$EXE" "$@" 2>/dev/null
  else
    QT_QPA_PLATFORM=offscreen "$EXE" "$@" 2>/dev/null
  fi
}

OUT="$HERE/results/dlwin.md"
# The notes written by hand below the figures stay.
NOTES="$(sed -n '/^## Notes/,$p' "$OUT" 2>/dev/null || true)"
{
  echo "# Download window at work (bench/dlwin.sh, tools/dlwin.cpp)"
  echo
  echo "$(nproc)-core machine, $(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg) at the start;"
  echo "build folder ${BUILD:-build-release}; one line per run. offscreen: Qt's offscreen platform;"
  echo "xcb: a real X server (Xvfb), so every repaint goes out to the display."
  echo
  echo '```'
  for p in offscreen xcb; do
    for i in $(seq "$RUNS"); do
      run "$p" --cascade "$U/site/index.html" --levels 2
    done
  done
  for p in offscreen xcb; do
    for i in $(seq "$RUNS"); do run "$p" --files 2000 --seconds 8; done
  done
  echo '```'
  if [ -n "$NOTES" ]; then echo; echo "$NOTES"; fi
} > "$OUT.new"
mv "$OUT.new" "$OUT"
cat "$OUT"
