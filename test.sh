#!/bin/bash
# Builds Quorail and runs every test. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh tools/packages-test.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
cd build
ctest --output-on-failure --timeout 900 -j2
