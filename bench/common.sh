# Shared by the benchmark scripts (sourced, with ROOT set to the repository).

# bench_need TOOL:PACKAGE...: installs the Debian packages of the tools that
# are missing (a TOOL starting with "/" is a file to look for).
bench_need() {
  local pair c pk
  for pair in "$@"; do
    c=${pair%%:*}; pk=${pair#*:}
    if [[ $c == /* ]]; then [ -e "$c" ] && continue; else command -v "$c" >/dev/null || [ -x "/usr/sbin/$c" ] && continue; fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$pk" >/dev/null
  done
}

# bench_build TARGET: builds one target of the Release build folder.
bench_build() {
  cmake -S "$ROOT" -B "$ROOT/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$ROOT/build-release" -j2 --target "$1" >/dev/null
}

# The peers' kit, its server and where raw runs go.
PY=/usr/bin/python3
# BENCH_OUT: where the raw runs go (one folder per person benchmarking at once).
K="$HERE/peers"; U="http://127.0.0.1:18080"; O="${BENCH_OUT:-/tmp/bench-out}"

# bench_results NAME: RES, the raw runs of this script, starts empty.
bench_results() {
  RES="$O/$1.jsonl"; mkdir -p "$O" "$HERE/results"; : > "$RES"
}

# bench_server: starts nginx unless it runs already; bench_server_stop stops
# it again only when bench_server started it.
bench_server() {
  started=0
  if ! "$K/server.sh" status >/dev/null 2>&1; then "$K/server.sh" start >/dev/null; started=1; fi
}
bench_server_stop() {
  if [ "${started:-0}" = 1 ]; then "$K/server.sh" stop >/dev/null; fi
}

# bench_report NAME: results/NAME.md from the raw runs, and its table rows.
bench_report() {
  "$PY" "$K/lib/report.py" "$RES" > "$HERE/results/$1.md" 2>/dev/null || cp "$RES" "$HERE/results/$1.jsonl"
  grep -E '^\| [0-9]' "$HERE/results/$1.md" || true
}
