#!/usr/bin/env bash
# Generate the crawl site and the parse pages (idempotent; --force regenerates):
#   /tmp/bench-www/site/   1981 Shift_JIS pages in 3 levels (index -> 44 sections -> 44 pages each),
#                          ~50 links + ~20 <img> per page (shared + per-page images, duplicates,
#                          relative/absolute/full-URL links, off-site 127.0.0.2 links, mailto:, #frag)
#   /tmp/bench-www/html/big1m.html, big10m.html   dense <a href>/<img src> pages, Shift_JIS text,
#                          duplicate links, comments, scripts; *.json beside each = expected counts
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
WWW="${BENCH_WWW:-/tmp/bench-www}"
FORCE=0; [ "${1:-}" = "--force" ] && FORCE=1
if [ $FORCE = 1 ] || [ ! -s "$WWW/site/site.json" ]; then
  rm -rf "$WWW/site"
  /usr/bin/python3 "$HERE/lib/gen.py" site "$WWW/site"
fi
mkdir -p "$WWW/html"
for item in big1m:1048576 big10m:10485760; do
  n=${item%%:*}; sz=${item##*:}
  if [ $FORCE = 1 ] || [ ! -s "$WWW/html/$n.html.json" ]; then
    /usr/bin/python3 "$HERE/lib/gen.py" bightml "$WWW/html/$n.html" "$sz"
  fi
done
echo "site: $(cat "$WWW/site/site.json")"
