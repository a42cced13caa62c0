#!/usr/bin/env bash
# One 1 GiB body over https on loopback: TInetHTTP::Get to a file and to
# memory, beside curl in the same run. nginx with TLS on 127.0.0.1:18443 is
# started here (its own configuration, a certificate made for the run), over
# the data of bench/peers (/tmp/bench-www). Writes bench/results/https-get.md.
#   RUNS=5 bench/https-get.sh
# BEFORE=DIR adds rows for the vorlen-httpget in DIR (an earlier build kept
# aside), measured in the same run, for a before/after table.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"; ROOT="$(dirname "$HERE")"
RUNS="${RUNS:-5}"
GiB=1073741824
TPORT="${BENCH_TLS_PORT:-18443}"

. "$HERE/common.sh"
bench_results https-get
bench_need nginx:nginx-light curl:curl openssl:openssl /usr/bin/time:time
bench_build vorlen-httpget
BIN="$ROOT/build-release/bench/vorlen-httpget"
"$K/build.sh" >/dev/null
"$K/mkdata.sh" >/dev/null

RUN=/tmp/bench-nginx-tls
mkdir -p "$RUN"/{body,proxy,fastcgi,uwsgi,scgi}
# A certificate for 127.0.0.1 that is its own authority: the clients trust
# exactly this file.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$RUN/key.pem" -out "$RUN/cert.pem" 2>/dev/null
cat > "$RUN/nginx.conf" <<CONF
worker_processes 1;
daemon on;
pid $RUN/nginx.pid;
error_log $RUN/error.log warn;
user root;
events { worker_connections 1024; }
http {
  default_type application/octet-stream;
  access_log off;
  sendfile on;
  client_body_temp_path $RUN/body;
  proxy_temp_path $RUN/proxy;
  fastcgi_temp_path $RUN/fastcgi;
  uwsgi_temp_path $RUN/uwsgi;
  scgi_temp_path $RUN/scgi;
  server {
    listen 127.0.0.1:$TPORT ssl;
    ssl_certificate $RUN/cert.pem;
    ssl_certificate_key $RUN/key.pem;
    ssl_protocols TLSv1.2 TLSv1.3;
    root ${BENCH_WWW:-/tmp/bench-www};
  }
}
CONF
/usr/sbin/nginx -e "$RUN/error.log" -c "$RUN/nginx.conf"
stop_tls() { [ -f "$RUN/nginx.pid" ] && kill -QUIT "$(cat "$RUN/nginx.pid")" 2>/dev/null || true; rm -f "$O/dl.bin"; }
trap stop_tls EXIT
for _ in $(seq 50); do [ -f "$RUN/nginx.pid" ] && break; sleep 0.1; done
export SSL_CERT_FILE="$RUN/cert.pem"
TU="https://127.0.0.1:$TPORT"

PRE="rm -f $O/dl.bin; sync"
M() { local n=$1; shift; "$PY" "$K/lib/measure.py" --out "$RES" --group dl --name "$n" --runs "$RUNS" --bytes $GiB "$@"; }
M "vorlen TInetHTTP::Get https -> /tmp file" --pre "$PRE" -- "$BIN $TU/big/1g.bin $O/dl.bin"
M "vorlen TInetHTTP::Get https -> memory" -- "$BIN --memory $TU/big/1g.bin"
if [ -n "${BEFORE:-}" ]; then
  M "vorlen TInetHTTP::Get https -> /tmp file (before)" --pre "$PRE" -- "$BEFORE/vorlen-httpget $TU/big/1g.bin $O/dl.bin"
  M "vorlen TInetHTTP::Get https -> memory (before)" -- "$BEFORE/vorlen-httpget --memory $TU/big/1g.bin"
fi
M "curl https -> /tmp file" --pre "$PRE" -- "curl -s --cacert $RUN/cert.pem -o $O/dl.bin $TU/big/1g.bin"
M "curl https -> /dev/null" -- "curl -s --cacert $RUN/cert.pem -o /dev/null $TU/big/1g.bin"
bench_report https-get
[ -f "$HERE/results/https-get.notes" ] && cat "$HERE/results/https-get.notes" >> "$HERE/results/https-get.md" || true
