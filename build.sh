#!/usr/bin/env bash
# Set-up, build, run and test in one place.
#   ./build.sh run            install what is missing, build, start Quorvane
#   ./build.sh test           install what is missing, build, run every test
#   ./build.sh test --sanitize    the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./build.sh test --debian 13   the same inside a Debian 13 root (tools/debian_root.sh)
#   ./build.sh bench          build the benchmarks and list them
#   ./build.sh fuzz SECONDS   build the libFuzzer targets with clang and run each for SECONDS
#   ./build.sh package        build the Debian package build-package/quorvane_*.deb
#   ./build.sh package --debian 13   the same inside a Debian 13 root: build-debian13-package/
#   ./build.sh screenshot     start Quorvane on a private X display and save docs/screenshot.png
#   ./build.sh accessibility  print the accessibility tree a screen reader reads; fail on a
#                             control without a name
# Build folders are build, build-sanitize, build-bench, ...; QUORVANE_BUILD_DIR changes the
# "build" they start with, so that a root of another release never reuses this machine's.
set -euo pipefail
cd "$(dirname "$0")"
build=${QUORVANE_BUILD_DIR:-build}

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-private-dev qt6-svg-dev libgl-dev
          libicu-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
          desktop-file-utils appstream
          libjemalloc2 # a process on another allocator, for the heap tests
          python3) # the layer check
# A private X display with a window manager, to look at the program as a user does.
look_packages=(xvfb openbox xdotool imagemagick python3)
accessibility_packages=(dbus at-spi2-core python3-pyatspi)
package_packages=(dpkg-dev file)

# Packages named differently by the releases: the clang runtime of the release's default clang.
fuzz_packages=(clang libclang-rt-dev)
# From Debian 13 on, the plugins that draw SVG files (the program's icon and glyphs) are a
# package of their own; Debian 12 has them in libqt6svg6, which qt6-svg-dev brings.
release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}")
if [ -z "$release" ] || [ "${release%%.*}" -ge 13 ] 2>/dev/null; then
    packages+=(qt6-svg-plugins)
fi

# install_missing [EXTRA-PACKAGES...]: the build's packages and the extra ones.
install_missing() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR TARGET CMAKE-ARGS...: TARGET "all" builds everything.
configure_and_build() {
    local dir=$1 target=$2; shift 2
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" --target "$target" -j "$(nproc)"
}

command=${1:-}
shift || true
# "--debian VERSION": the same command again inside a root of that Debian release.
if [ "${1:-}" = "--debian" ]; then
    case "$command" in
    test | package) ;;
    *)
        echo "build.sh: --debian goes with test or package" >&2
        exit 2
        ;;
    esac
    version=${2:?"build.sh: --debian needs a release number, e.g. --debian 13"}
    shift 2
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    exec "${sudo[@]}" tools/debian_root.sh "$version" \
        env QUORVANE_BUILD_DIR="build-debian$version" ./build.sh "$command" "$@"
fi
case "$command" in
run)
    install_missing
    configure_and_build "$build" quorvane
    exec "./$build/app/quorvane" "$@"
    ;;
test)
    install_missing
    if [ "${1:-}" = "--sanitize" ]; then
        dir=$build-sanitize
        configure_and_build "$dir" all -DQUORVANE_SANITIZE=ON -DQUORVANE_BENCH=OFF
    else
        dir=$build
        configure_and_build "$dir" all
    fi
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
    ;;
bench)
    install_missing
    configure_and_build "$build-bench" all -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF
    ls "$build"-bench/bench/bench_*
    ;;
fuzz)
    seconds=${1:-60}
    install_missing "${fuzz_packages[@]}"
    configure_and_build "$build-fuzz" fuzzers -DCMAKE_CXX_COMPILER=clang++ -DQUORVANE_FUZZ=ON \
        -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF
    exec fuzz/run.sh "$build-fuzz" "$seconds"
    ;;
package)
    install_missing "${package_packages[@]}"
    dir=$build-package
    configure_and_build "$dir" all -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=OFF \
        -DQUORVANE_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
    staging=$(mktemp -d)
    trap 'rm -rf "$staging"' EXIT
    DESTDIR="$staging" cmake --install "$dir" >/dev/null
    desktop-file-validate "$staging"/usr/share/applications/*.desktop
    appstreamcli validate --no-net "$staging"/usr/share/metainfo/*.metainfo.xml
    rm -f "$dir"/quorvane_*.deb
    (cd "$dir" && cpack -G DEB >/dev/null)
    ls "$dir"/quorvane_*.deb
    ;;
screenshot)
    install_missing "${look_packages[@]}"
    configure_and_build "$build" quorvane
    mkdir -p docs
    /usr/bin/python3 tools/desktop_look.py screenshot "$build/app/quorvane" docs/screenshot.png
    ;;
accessibility)
    install_missing "${look_packages[@]}" "${accessibility_packages[@]}"
    configure_and_build "$build" quorvane
    dbus-run-session -- /usr/bin/python3 tools/desktop_look.py accessibility "$build/app/quorvane"
    ;;
*)
    echo "usage: ./build.sh run | test [--sanitize | --debian 13] | bench | package [--debian 13] | screenshot | accessibility | fuzz SECONDS" >&2
    exit 2
    ;;
esac
