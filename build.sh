#!/usr/bin/env bash
# Builds Furlpane Novan and runs it or its tests. Installs the Debian packages the build
# needs when they are missing (as root, or through sudo).
#
#   ./build.sh run    Release build in build/release, then the main job: the program plays
#                     examples/tour.scenario on the simulated desktop into build/tour
#   ./build.sh test   sanitized build in build/test, then every test; then the suites that
#                     run real threads under ThreadSanitizer (build/tsan)
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libpng-dev libfreetype-dev fonts-dejavu-core)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

case "${1:-}" in
run)
    install_missing
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFURLPANE_TESTS=OFF >/dev/null
    cmake --build build/release --target furlpane-novan -j "$jobs"
    rm -rf build/tour
    mkdir -p build/tour
    status=0
    build/release/app/furlpane-novan --scenario examples/tour.scenario --out build/tour \
        --frames build/tour/frames >build/tour/journal.jsonl || status=$?
    echo "The tour's pictures, one after each step and some in the middle of a change:"
    for picture in build/tour/*.png; do echo "  $(pwd)/$picture"; done
    echo "Every frame of its transitions: $(pwd)/build/tour/frames/"
    echo "What happened, one JSON object a line: $(pwd)/build/tour/journal.jsonl"
    [ "$status" -eq 0 ] || echo "The tour ended with status $status: see the lines above." >&2
    exit "$status"
    ;;
test)
    install_missing
    # -g1: line tables, enough for the sanitizers' reports, at three quarters of the compile time.
    cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
          -DFURLPANE_SANITIZE=ON >/dev/null
    cmake --build build/test -j "$jobs"
    (cd build/test &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --output-on-failure -j "$jobs")
    # The suites that run real threads, again under ThreadSanitizer, in a tree of their own.
    cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
          -DFURLPANE_TSAN=ON >/dev/null
    cmake --build build/tsan --target test_runtime test_desktop -j "$jobs"
    # ThreadSanitizer needs the fixed memory layout that some kernels' address
    # randomisation breaks; setarch -R turns the randomisation off for the tests alone.
    norandom=()
    setarch "$(uname -m)" -R true 2>/dev/null && norandom=(setarch "$(uname -m)" -R)
    cd build/tsan
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        "${norandom[@]}" ctest --output-on-failure -j "$jobs" -L '^(runtime|desktop)$'
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
