#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the normal build
# (unit, scenario, widget and end-to-end tests), then the core and scenario tests again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== build"
QOR_BUILD_DIR=build ./scripts/build.sh
echo "== tests"
ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 600

echo "== sanitizer build (core, simulator, scenario tests)"
QOR_BUILD_DIR=build-asan QOR_BUILD_TYPE=Debug ./scripts/build.sh \
  -DQOR_SANITIZE=ON -DQOR_BUILD_UI=OFF -DQOR_BUILD_BENCH=OFF
echo "== sanitizer tests"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" --timeout 600 -L 'unit|scenario'
