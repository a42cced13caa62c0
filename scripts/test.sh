#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: first the
# normal build, then the Qt-free libraries' tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer, then under ThreadSanitizer (workers,
# sockets and the main-thread queue run in most of them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}

scripts/deps.sh build gui

configure() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
}

echo "== build"
configure build
cmake --build build -j "$jobs"
echo "== tests"
(cd build && ctest --output-on-failure -j "$jobs" --timeout 300)

if [ "${VORLEN_SKIP_SANITIZERS:-0}" != 1 ]; then
  echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
  configure build-asan -DCMAKE_BUILD_TYPE=Debug -DVORLEN_SANITIZE=address,undefined -DVORLEN_BENCH=OFF -DVORLEN_GUI=OFF
  cmake --build build-asan -j "$jobs"
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" --timeout 600)

  if [ -n "$(ls tests/support/*.cpp 2>/dev/null)" ]; then
    echo "== tests under ThreadSanitizer"
    configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DVORLEN_SANITIZE=thread -DVORLEN_BENCH=OFF -DVORLEN_GUI=OFF
    cmake --build build-tsan -j "$jobs"
    (cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" --timeout 600)
  fi
fi
