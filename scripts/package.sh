#!/usr/bin/env bash
# Builds the Debian package vorlen-tiram_<version>_<arch>.deb into
# build-deb/ (a build tree of its own, without tests and benchmarks, so
# that cpack's install step builds only what is shipped). Prints its path.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build gui package >&2
desktop-file-validate data/vorlen.desktop >&2

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Share the cache with the ordinary build tree.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORLEN_TESTS=OFF -DVORLEN_BENCH=OFF "${launcher[@]}" >&2
cmake --build build-deb -j "${JOBS:-$(nproc)}" >&2
rm -f build-deb/*.deb
(cd build-deb && cpack -G DEB >&2)
deb=$(ls build-deb/*.deb)
dpkg-deb --info "$deb" >&2
echo "$PWD/$deb"
