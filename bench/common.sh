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
