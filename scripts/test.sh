#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs
# every test; then builds the tests that need no Qt Widgets with ThreadSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
./scripts/build.sh build-asan -DCORVANE_SANITIZER=asan -DCORVANE_BUILD_VIEW=ON
ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 300

echo "== ThreadSanitizer build (tests without Qt Widgets)"
./scripts/build.sh build-tsan -DCORVANE_SANITIZER=tsan -DCORVANE_BUILD_VIEW=OFF
ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 300
