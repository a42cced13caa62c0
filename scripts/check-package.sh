#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine with dpkg, starts the
# installed program the way the desktop entry does under Xvfb with a page
# served on 127.0.0.1, takes a screenshot, then purges the package and checks
# that nothing it installed is left. Run as root (or through sudo) on a
# machine where vorlen-tiram is not installed; it is never left installed.
#   scripts/check-package.sh [SCREENSHOT.png]   (default: build-deb/installed.png)
set -euo pipefail
cd "$(dirname "$0")/.."
shot=$(realpath -m "${1:-build-deb/installed.png}")
pkg=vorlen-tiram

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'installed'; then
  echo "check-package: $pkg is installed already; remove it first" >&2
  exit 1
fi

deb=$(bash scripts/package.sh | tail -n 1)
echo "== package: $deb"
dpkg-deb --field "$deb" Package Version Depends Recommends Section

work=$(mktemp -d)
server=""
installed=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  if [ -n "$installed" ]; then $SUDO dpkg -P "$pkg" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The package's own paths that do not exist yet: after the purge these must be gone.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' > "$work/paths"
: > "$work/new-paths"
while read -r p; do
  [ -e "$p" ] || [ -L "$p" ] || echo "$p" >> "$work/new-paths"
done < "$work/paths"

echo "== install"
installed=1
if ! $SUDO dpkg -i "$deb"; then
  $SUDO apt-get install -y -f --no-install-recommends
fi
dpkg-query -W -f='${Status}\n' "$pkg" | grep -q 'install ok installed'
desktop-file-validate /usr/share/applications/vorlen.desktop
test -f /usr/lib/vorlen/manual/index.html
test -f /usr/share/icons/hicolor/48x48/apps/vorlen.png
readlink -f /usr/bin/vorlen | grep -qx /usr/lib/vorlen/vorlen

echo "== start under Xvfb"
mkdir -p "$work/site/img" "$work/home"
cat > "$work/site/index.html" <<'HTML'
<html><head><title>Package check page</title></head><body>
<a href="about.html">About</a> <a href="files/data.zip">Data</a>
<img src="img/logo.png"> <a href="mailto:info@example.test">Mail</a>
</body></html>
HTML
echo '<html><head><title>About</title></head><body>about</body></html>' > "$work/site/about.html"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" 2> "$work/server.log" &
server=$!
for _ in $(seq 50); do grep -q 'Serving' "$work/server.log" 2>/dev/null && break; sleep 0.1; done
url="http://127.0.0.1:$port/index.html"

# The command line of the menu entry, with %u replaced by the address.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/vorlen.desktop)
command=${exec_line//%u/$url}
echo "menu entry runs: $command"

cat > "$work/run.sh" <<RUN
set -eu
cd "$work"
env -i PATH=/usr/bin:/bin DISPLAY="\$DISPLAY" XAUTHORITY="\${XAUTHORITY:-}" HOME="$work/home" \
  LANG=C.UTF-8 $command > "$work/vorlen.log" 2>&1 &
pid=\$!
xdotool search --sync --onlyvisible --name 'Package check page' > /dev/null
sleep 1
# The plug-ins were found beside the real executable, not in any build tree.
grep -q '/usr/lib/vorlen/Plugin/vorlen-png.so' /proc/\$pid/maps
if grep -q '$PWD/' /proc/\$pid/maps; then echo "the installed program mapped files of the work tree" >&2; exit 1; fi
import -window root "$shot"
kill -TERM \$pid
wait \$pid
RUN
mkdir -p "$(dirname "$shot")"
timeout 120 xvfb-run -a -s "-screen 0 1024x700x24" bash "$work/run.sh"
grep -q '"GET /index.html' "$work/server.log"
test -f "$work/home/.config/Vorlen/option.dat" -o -d "$work/home/.config/Vorlen"
echo "screenshot: $shot"

echo "== purge"
$SUDO dpkg -P "$pkg"
installed=""
left=0
while read -r p; do
  if [ -e "$p" ] || [ -L "$p" ]; then echo "left behind: $p"; left=1; fi
done < "$work/new-paths"
[ "$left" -eq 0 ]
echo "check-package: installed, started, removed; $(wc -l < "$work/new-paths") paths gone"
