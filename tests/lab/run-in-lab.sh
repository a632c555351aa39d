#!/bin/bash
# Runs a test program inside the test network's source namespace, with one socket kind:
#   datagram  ping sockets admitted for every group; CAP_NET_RAW dropped, so that only
#             ping sockets can work
#   raw       ping sockets closed; as root, so that only raw sockets can work
#   helper    ping sockets closed; as the unprivileged user nobody, with cap_net_raw on
#             the probe helper HELPER alone, so that only the helper can probe
# The routers' ICMP rate limits are off unless QLAB_ICMP_LIMITS=default asks for Linux's own.
# Usage: run-in-lab.sh datagram|raw PROGRAM [ARG...]
#        run-in-lab.sh helper HELPER PROGRAM [ARG...]
# Without root it reports a skip (77) with the reason; a missing network is a failure.
set -euo pipefail
readonly SRC=qlab-src
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: the test network needs root (network namespaces)"
  exit 77
fi
lab=$(dirname "$0")/../../tools/lab/lab.sh
lab_is_up() { ip netns list | awk '{print $1}' | grep -qx "$SRC"; }
# A lab that an older lab.sh built (without IPv6, say) is built anew.
lab_is_current() { lab_is_up && grep -qx "# lab.sh version $("$lab" version)" /etc/netns/$SRC/hosts 2>/dev/null; }

# One test program at a time uses the network, also across test runs in other build
# folders: it runs under the lock that lab.sh up and down take. flock -o keeps the lock
# with flock itself, so that a simulator left behind by a crashed test does not hold it.
if [[ ${QLAB_LOCKED:-} != 1 ]]; then
  exec env QLAB_LOCKED=1 flock -o /run/qlab.lock "$0" "$@"
fi
# Another run may have taken the network down in between.
lab_is_current || "$lab" up
lab_is_up || { echo "the test network is not up (tools/lab/lab.sh up)" >&2; exit 1; }
"$lab" limits "${QLAB_ICMP_LIMITS:-off}"
kind=$1
shift
case $kind in
  datagram)
    ip netns exec "$SRC" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
    exec ip netns exec "$SRC" setpriv --bounding-set -net_raw --inh-caps -net_raw -- "$@"
    ;;
  raw)
    ip netns exec "$SRC" sysctl -q -w net.ipv4.ping_group_range="1 0"
    exec ip netns exec "$SRC" "$@"
    ;;
  helper)
    helper=$1
    shift
    "$(dirname "$0")/../../tools/grant-probing.sh" --check "$helper" || exit 1
    ip netns exec "$SRC" sysctl -q -w net.ipv4.ping_group_range="1 0"
    exec ip netns exec "$SRC" setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all -- "$@"
    ;;
  *)
    echo "run-in-lab.sh: unknown socket kind $kind" >&2
    exit 2
    ;;
esac
