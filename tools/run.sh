#!/usr/bin/env bash
# One entry for people and CI:
#   tools/run.sh demo   install what is missing, build, render the demo through the plug-in
#   tools/run.sh test   install what is missing, build all three targets, run every test
set -euo pipefail
cd "$(dirname "$0")/.."

demo_packages=(cmake ninja-build g++ pkg-config libsndfile1-dev libpng-dev libx11-dev googletest)
test_packages=("${demo_packages[@]}" libbenchmark-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686
               binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb xauth
               libxtst-dev libxres-dev
               python3)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build PRESET [cmake options...]
build() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

case "${1:-}" in
  demo)
    install_missing "${demo_packages[@]}"
    build native
    shift
    ./build/native/quelt-render "$@"
    ;;
  test)
    install_missing "${test_packages[@]}"
    status=0 passed=0 failed=0
    log=$(mktemp)
    for preset in native asan tsan win64 win32; do
      echo "=== $preset ==="
      build "$preset" -DQUELT_WERROR=ON
      ctest --preset "$preset" -j 2 2>&1 | tee "$log" || status=1
      # "100% tests passed, 0 tests failed out of 200"
      if summary=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log"); then
        read -r f _ _ _ _ total <<<"$summary"
        passed=$((passed + total - f)) failed=$((failed + f))
      else
        status=1
      fi
    done
    rm -f "$log"
    echo "=== benchmark ==="
    ./build/native/quelt_bench --benchmark_min_time=0.05 --benchmark_repetitions=5 \
      --benchmark_enable_random_interleaving=true --benchmark_color=false | tail -n 20
    echo "tests: $passed passed, $failed failed"
    exit $status
    ;;
  *)
    echo "usage: tools/run.sh demo [quelt-render options] | tools/run.sh test" >&2
    exit 2
    ;;
esac
