#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
#   scripts/deps.sh [build] [fuzz] [gui] [package]     (default: build)
set -euo pipefail

groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(build)

pkgs=()
for g in "${groups[@]}"; do
  case "$g" in
    build) pkgs+=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libssl-dev) ;;
    fuzz)  pkgs+=(clang libclang-rt-dev) ;;
    # Qt 6 and the libraries of the window program; a Japanese font, an icon
    # theme with file-type icons and the MIME database for its views; Xvfb,
    # xauth and xdotool for the tests that need a real X display.
    gui)   pkgs+=(qt6-base-dev qt6-base-dev-tools libjpeg-dev libpng-dev libgif-dev libwebp-dev libgl-dev fonts-noto-cjk
                  adwaita-icon-theme shared-mime-info xvfb xauth xdotool x11-utils) ;;
    # The Debian package and its checks: dpkg-shlibdeps (dpkg-dev) for the
    # dependencies, the desktop entry validator, rsvg-convert for the icon
    # sizes, a headless Chromium for the manual's screenshot, ImageMagick's
    # import for the screenshot of the installed program, python3 for the
    # page server.
    package) pkgs+=(dpkg-dev fakeroot file desktop-file-utils librsvg2-bin chromium imagemagick python3) ;;
    *) echo "deps.sh: unknown group $g" >&2; exit 1 ;;
  esac
done

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
