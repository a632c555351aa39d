#!/bin/bash
# Builds Quorail and starts it. Installs missing Debian packages first, and gives the
# probe helper quorail-probe, and no other program, the right to send ICMP probes where
# it can.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh tools/packages-test.txt tools/packages-run.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORAIL_TESTS=OFF >/dev/null
cmake --build build
# The two programs never hold a capability: take away any that an older build left.
for program in build/cli/quorail-trace build/app/quorail; do
  tools/grant-probing.sh --revoke "$program"
done
tools/grant-probing.sh build/probe/quorail-probe
if [[ -x build/app/quorail ]]; then
  exec build/app/quorail "$@"
fi
exec build/cli/quorail-trace "${@:-127.0.0.1}"
