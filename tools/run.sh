#!/usr/bin/env bash
# One entry for people and CI:
#   tools/run.sh demo      install what is missing, build, render the demo through the plug-in
#   tools/run.sh test      install what is missing, build all three targets, run every test
#   tools/run.sh package   build the release packages into dist/
#   tools/run.sh install-check   install dist/'s Debian package into a fresh Debian root and try it
set -euo pipefail
cd "$(dirname "$0")/.."

# The plug-in and quelt-render; the test command adds what only the tests need.
demo_packages=(cmake ninja-build g++ pkg-config libsndfile1-dev libx11-dev lv2-dev)
test_packages=("${demo_packages[@]}" googletest libbenchmark-dev libpng-dev libxtst-dev libxres-dev python3
               liblilv-dev lilv-utils sordi ardour jalv jackd2 qtractor x11-utils xdotool imagemagick
               g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
               wine wine64 xvfb xauth dpkg-dev file lintian mmdebstrap)
# The release packages: cross compilers, the Debian packaging tools and lintian.
package_packages=("${demo_packages[@]}" g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64
                  binutils-mingw-w64-i686 dpkg-dev file lintian)
# The 32-bit Windows suites run under 32-bit wine.
wine32_packages=(wine32:i386)
wine32_loader=/usr/lib/wine/wine

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# apt-get update answers non-zero when one index of many could not be fetched; what
# then cannot be installed is reported by the install itself.
apt_update() {
  "${sudo[@]}" apt-get update -qq || echo "apt-get update reported errors; going on with the indexes it has"
}

# install PACKAGE... : installs what is missing; never removes a package to do so.
install() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends --no-remove \
    "${missing[@]}" >/dev/null
}

# Installs 32-bit wine and tells in one line why the 32-bit suites cannot run, if they cannot.
install_wine32() {
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo[@]}" dpkg --add-architecture i386
  install "${wine32_packages[@]}" 2>/dev/null ||
    { echo "32-bit wine (${wine32_packages[*]}) could not be installed: the 32-bit Windows suites are skipped"; return; }
  "$wine32_loader" --version >/dev/null 2>&1 ||
    echo "This kernel does not run 32-bit programs: the 32-bit Windows suites are skipped"
}

# build PRESET [cmake options...]
build() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

# The Debian package, the two Windows zips and their checksums into dist/,
# from the build trees as they stand (the Windows files as the suites ran them).
package_into_dist() {
  rm -rf dist
  mkdir dist
  (cd build/native && cpack -G DEB -B "$PWD/package" >/dev/null)
  cp build/native/package/quelt_*_amd64.deb dist/
  for tree in win64 win32; do
    cmake --build "build/$tree" --target quelt_zip >/dev/null
    cp build/$tree/Quelt-*-windows-*.zip dist/
  done
  (cd dist && sha256sum -- *.deb *.zip >SHA256SUMS)
  ls -l dist
}

version() { sed -n 's/^project(Quelt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt; }

case "${1:-}" in
  demo)
    install "${demo_packages[@]}"
    build native -DQUELT_TESTS=OFF -DQUELT_BENCH=OFF
    shift
    ./build/native/quelt-render "$@"
    ;;
  test)
    install "${test_packages[@]}"
    install_wine32
    status=0 passed=0 failed=0 skipped=0
    log=$(mktemp)
    times=()
    for preset in native asan tsan win64 win32; do
      echo "=== $preset ==="
      start=$SECONDS
      build "$preset" -DQUELT_TESTS=ON -DQUELT_WERROR=ON
      ctest --preset "$preset" -j 2 2>&1 | tee "$log" || status=1
      # "100% tests passed, 0 tests failed out of 200"; skipped tests count as neither.
      if summary=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log"); then
        read -r f _ _ _ _ total <<<"$summary"
        s=$(grep -Ec '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log" || true)
        passed=$((passed + total - f - s)) failed=$((failed + f)) skipped=$((skipped + s))
      else
        status=1
      fi
      times+=("$preset $((SECONDS - start)) s")
    done
    rm -f "$log"
    echo "=== packages ==="
    start=$SECONDS
    if package_into_dist && cmake -DDIST=dist -DBUILD=build -DVERSION="$(version)" -P tests/check_packages.cmake; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)) status=1
    fi
    times+=("packages $((SECONDS - start)) s")
    echo "=== install ==="
    start=$SECONDS
    if [ "$(id -u)" -ne 0 ]; then
      echo "Not root: the installation into a fresh Debian root is skipped"
      skipped=$((skipped + 1))
    elif bash tools/install_check.sh; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)) status=1
    fi
    times+=("install $((SECONDS - start)) s")
    echo "=== benchmark ==="
    ./build/native/quelt_bench --benchmark_min_time=0.05 --benchmark_repetitions=5 \
      --benchmark_enable_random_interleaving=true --benchmark_color=false | tail -n 26
    echo "time (build and tests): $(IFS=,; echo "${times[*]}" | sed 's/,/, /g')"
    echo "tests: $passed passed, $failed failed, $skipped skipped"
    exit $status
    ;;
  package)
    install "${package_packages[@]}"
    for preset in native win64 win32; do
      build "$preset" -DQUELT_TESTS=OFF -DQUELT_BENCH=OFF
    done
    package_into_dist
    ;;
  install-check)
    install mmdebstrap
    exec bash tools/install_check.sh
    ;;
  *)
    echo "usage: tools/run.sh demo [quelt-render options] | test | package | install-check" >&2
    exit 2
    ;;
esac
