#!/bin/bash
# Brings the test network up or down for CTest. Where namespaces cannot be made (not
# root), says why and reports a skip (77); every test that needs the network skips too.
set -euo pipefail
lab=$(dirname "$0")/../../tools/lab/lab.sh
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: the test network needs root (network namespaces)"
  exit 77
fi
exec "$lab" "$1"
