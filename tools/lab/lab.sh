#!/bin/bash
# The real-router test network: network namespaces joined by veth pairs, addresses only in
# 198.18.0.0/15 and 2001:2::/48, and no link to the machine's own network.
# Usage: lab.sh up|down|status|version|limits off|default
#
#   qlab-src 198.18.1.1 -- r1 198.18.1.2 | 198.18.2.1 -- r2 198.18.2.2 | 198.18.3.1
#            -- r3 198.18.3.2 | 198.18.4.1 -- dst 198.18.4.2
#
# and the same chain in IPv6, 2001:2:0:N::1 and 2001:2:0:N::2 on link N (src
# 2001:2:0:1::1, dst 2001:2:0:4::2), without duplicate address detection.
# r2 stays silent (nftables drops the time-exceeded messages it makes, of either family);
# r3 answers destination-unreachable for 198.18.10.0/24 and 2001:2:0:10::/64 and drops
# 198.18.12.0/24 and 2001:2:0:12::/64 without a word.
# qlab-src also holds the tun device qsim0 for the path simulator: 198.18.200.0/24 and
# 2001:2:0:200::/64 lead there, with 198.18.199.1 and 2001:2:0:199::1 as source addresses
# (the simulator answers 2001:2:0:200::198.18.200.N as it answers 198.18.200.N).
# The lab's version (a comment line in its hosts file, which every lab.sh writes anew)
# tells a lab built by an older lab.sh, which run-in-lab.sh then builds anew.
# Names of lab addresses come from /etc/netns/qlab-src/hosts only; lookups never leave
# the namespace. `up` first removes leftovers, `down` removes everything; both may be
# repeated. The routers' ICMP rate limits are off after `up`: tests that trace back to
# back would otherwise meet them. `limits default` gives every namespace Linux's own
# (time-exceeded and unreachable about once a second per peer after a burst of six),
# `limits off` takes them away again. Needs root.
set -euo pipefail

readonly PREFIX=qlab-
readonly SRC=${PREFIX}src
readonly ROUTERS=(${PREFIX}r1 ${PREFIX}r2 ${PREFIX}r3)
readonly DST=${PREFIX}dst
readonly ALL=("$SRC" "${ROUTERS[@]}" "$DST")
readonly TUN=qsim0
readonly LOCK=/run/qlab.lock
readonly VERSION=3

die() { echo "lab.sh: $*" >&2; exit 1; }

in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

sysctl_in() {
  local ns=$1; shift
  in_ns "$ns" sysctl -q -w "$@" >/dev/null
}

# Processes left behind in our namespaces (a crashed simulator, say) are ended by id.
end_processes() {
  local ns pid
  for ns in $(ip netns list | awk '{print $1}' | grep "^${PREFIX}" || true); do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do
      kill "$pid" 2>/dev/null || true
    done
  done
}

down() {
  end_processes
  local ns
  for ns in $(ip netns list | awk '{print $1}' | grep "^${PREFIX}" || true); do
    ip netns del "$ns" 2>/dev/null || true
  done
  rm -rf /etc/netns/${PREFIX}*
  restore_route_error_cost
}

make_namespace() {
  local ns=$1
  ip netns add "$ns"
  ip -n "$ns" link set lo up
  # IPv6 without duplicate address detection (addresses usable at once) and without
  # router advertisements: only the routes below exist.
  sysctl_in "$ns" net.ipv6.conf.all.disable_ipv6=0 net.ipv6.conf.default.disable_ipv6=0 \
    net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0 \
    net.ipv6.conf.all.accept_ra=0 net.ipv6.conf.default.accept_ra=0
  set_limits "$ns" off
}

# set_limits NS off|default: the namespace's ICMP rate limits.
set_limits() {
  case $2 in
    # With a rate limit of 0 each ICMP message would still empty the per-peer token count
    # that unreachable routes draw on; an empty rate mask leaves that count alone.
    off) sysctl_in "$1" net.ipv4.icmp_ratelimit=0 net.ipv4.icmp_ratemask=0 net.ipv4.icmp_msgs_per_sec=1000000 \
      net.ipv4.icmp_msgs_burst=1000000 net.ipv6.icmp.ratelimit=0 ;;
    default) sysctl_in "$1" net.ipv4.icmp_ratelimit=1000 net.ipv4.icmp_ratemask=6168 net.ipv4.icmp_msgs_per_sec=1000 \
      net.ipv4.icmp_msgs_burst=50 net.ipv6.icmp.ratelimit=1000 ;;
    *) die "limits: off or default, not '$2'" ;;
  esac
}

limits() {
  local ns
  for ns in "${ALL[@]}"; do
    ip netns list | awk '{print $1}' | grep -qx "$ns" || die "the lab is not up"
    set_limits "$ns" "$1"
  done
  set_route_error_cost "$1"
}

# An IPv4 unreachable route answers a peer about once a second after a burst of five, by
# net.ipv4.route.error_cost, which only the host's own namespace has and which holds for
# every namespace. With the limits off it is 0 while the lab is up; the host's value is
# kept in ROUTE_COST_SAVED and given back with the limits or by `down`.
readonly ROUTE_COST_SAVED=/run/qlab.route-error-cost
set_route_error_cost() {
  [[ -e $ROUTE_COST_SAVED ]] || sysctl -n net.ipv4.route.error_cost >"$ROUTE_COST_SAVED"
  case $1 in
    off) sysctl -q -w net.ipv4.route.error_cost=0 >/dev/null ;;
    *) sysctl -q -w net.ipv4.route.error_cost="$(cat "$ROUTE_COST_SAVED")" >/dev/null ;;
  esac
}

restore_route_error_cost() {
  [[ -e $ROUTE_COST_SAVED ]] || return 0
  sysctl -q -w net.ipv4.route.error_cost="$(cat "$ROUTE_COST_SAVED")" >/dev/null
  rm -f "$ROUTE_COST_SAVED"
}

# link NS_A IF_A ADDR_A NS_B IF_B ADDR_B: one veth pair, made inside the namespaces.
# Each namespace calls its link towards the source w0 and the one away from it e0.
link() {
  ip -n "$1" link add "$2" type veth peer name "$5" netns "$4"
  ip -n "$1" addr add "$3/24" dev "$2"
  ip -n "$4" addr add "$6/24" dev "$5"
  ip -n "$1" link set "$2" up
  ip -n "$4" link set "$5" up
}

# link6 NS_A IF_A ADDR_A NS_B IF_B ADDR_B: IPv6 addresses on a pair that link made.
link6() {
  ip -n "$1" addr add "$3/64" dev "$2" nodad
  ip -n "$4" addr add "$6/64" dev "$5" nodad
}

make_router() {
  sysctl_in "$1" net.ipv4.ip_forward=1 net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0 \
    net.ipv6.conf.all.forwarding=1
}

write_name_files() {
  local dir=/etc/netns/$SRC
  mkdir -p "$dir"
  echo "# lab.sh version $VERSION" >"$dir/hosts"
  cat >>"$dir/hosts" <<'EOF'
127.0.0.1	localhost
198.18.1.1	src.lab.quorail.test
198.18.1.2	r1.lab.quorail.test
198.18.2.2	r2.lab.quorail.test
198.18.3.2	r3.lab.quorail.test
198.18.4.2	dst.lab.quorail.test
198.18.10.5	unreachable.lab.quorail.test
198.18.12.7	blackhole.lab.quorail.test
198.18.200.1	hop1.sim.lab.quorail.test
198.18.200.2	hop2.sim.lab.quorail.test
198.18.200.3	hop3.sim.lab.quorail.test
198.18.200.4	hop4.sim.lab.quorail.test
198.18.200.5	hop5.sim.lab.quorail.test
198.18.200.6	hop6.sim.lab.quorail.test
198.18.200.7	hop7.sim.lab.quorail.test
198.18.200.8	hop8.sim.lab.quorail.test
198.18.200.9	hop9.sim.lab.quorail.test
::1	localhost6
2001:2:0:1::1	src.v6.lab.quorail.test
2001:2:0:1::2	r1.v6.lab.quorail.test
2001:2:0:2::2	r2.v6.lab.quorail.test
2001:2:0:3::2	r3.v6.lab.quorail.test
2001:2:0:4::2	dst6.lab.quorail.test
2001:2:0:10::5	unreachable6.lab.quorail.test
2001:2:0:12::7	blackhole6.lab.quorail.test
198.18.4.2	dual.lab.quorail.test
2001:2:0:4::2	dual.lab.quorail.test
2001:2:0:200::c612:c801	hop1.sim6.lab.quorail.test
2001:2:0:200::c612:c802	hop2.sim6.lab.quorail.test
2001:2:0:200::c612:c803	hop3.sim6.lab.quorail.test
2001:2:0:200::c612:c809	hop9.sim6.lab.quorail.test
EOF
  # Only the hosts file answers; the resolver would ask a server on the namespace's own
  # loopback, where none listens.
  cat >"$dir/nsswitch.conf" <<'EOF'
passwd:         files
group:          files
shadow:         files
hosts:          files
networks:       files
protocols:      files
services:       files
EOF
  printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"$dir/resolv.conf"
}

up() {
  [[ $(id -u) -eq 0 ]] || die "needs root (network namespaces)"
  down
  local ns
  for ns in "${ALL[@]}"; do make_namespace "$ns"; done
  for ns in "${ROUTERS[@]}"; do make_router "$ns"; done

  link "$SRC" e0 198.18.1.1 ${PREFIX}r1 w0 198.18.1.2
  link ${PREFIX}r1 e0 198.18.2.1 ${PREFIX}r2 w0 198.18.2.2
  link ${PREFIX}r2 e0 198.18.3.1 ${PREFIX}r3 w0 198.18.3.2
  link ${PREFIX}r3 e0 198.18.4.1 "$DST" w0 198.18.4.2
  link6 "$SRC" e0 2001:2:0:1::1 ${PREFIX}r1 w0 2001:2:0:1::2
  link6 ${PREFIX}r1 e0 2001:2:0:2::1 ${PREFIX}r2 w0 2001:2:0:2::2
  link6 ${PREFIX}r2 e0 2001:2:0:3::1 ${PREFIX}r3 w0 2001:2:0:3::2
  link6 ${PREFIX}r3 e0 2001:2:0:4::1 "$DST" w0 2001:2:0:4::2

  # Only lab addresses have a route; everything else is unreachable from every namespace.
  ip -n "$SRC" route add 198.18.0.0/15 via 198.18.1.2
  ip -n ${PREFIX}r1 route add 198.18.0.0/15 via 198.18.2.2
  ip -n ${PREFIX}r2 route add 198.18.1.0/24 via 198.18.2.1
  ip -n ${PREFIX}r2 route add 198.18.0.0/15 via 198.18.3.2
  ip -n ${PREFIX}r3 route add 198.18.1.0/24 via 198.18.3.1
  ip -n ${PREFIX}r3 route add 198.18.2.0/24 via 198.18.3.1
  ip -n ${PREFIX}r3 route add unreachable 198.18.10.0/24
  ip -n ${PREFIX}r3 route add blackhole 198.18.12.0/24
  ip -n "$DST" route add 198.18.0.0/15 via 198.18.4.1
  ip -n "$SRC" -6 route add 2001:2::/48 via 2001:2:0:1::2
  ip -n ${PREFIX}r1 -6 route add 2001:2::/48 via 2001:2:0:2::2
  ip -n ${PREFIX}r2 -6 route add 2001:2:0:1::/64 via 2001:2:0:2::1
  ip -n ${PREFIX}r2 -6 route add 2001:2::/48 via 2001:2:0:3::2
  ip -n ${PREFIX}r3 -6 route add 2001:2:0:1::/64 via 2001:2:0:3::1
  ip -n ${PREFIX}r3 -6 route add 2001:2:0:2::/64 via 2001:2:0:3::1
  ip -n ${PREFIX}r3 -6 route add unreachable 2001:2:0:10::/64
  ip -n ${PREFIX}r3 -6 route add blackhole 2001:2:0:12::/64
  ip -n "$DST" -6 route add 2001:2::/48 via 2001:2:0:4::1

  in_ns ${PREFIX}r2 nft -f - <<'EOF'
table inet qlab_silent {
  chain output {
    type filter hook output priority 0; policy accept;
    icmp type time-exceeded drop
    icmpv6 type time-exceeded drop
  }
}
EOF

  ip -n "$SRC" tuntap add dev "$TUN" mode tun
  ip -n "$SRC" addr add 198.18.199.1/32 dev "$TUN"
  ip -n "$SRC" link set "$TUN" up
  ip -n "$SRC" route add 198.18.200.0/24 dev "$TUN" src 198.18.199.1
  ip -n "$SRC" addr add 2001:2:0:199::1/128 dev "$TUN" nodad
  ip -n "$SRC" -6 route add 2001:2:0:200::/64 dev "$TUN" src 2001:2:0:199::1

  write_name_files
  set_route_error_cost off
}

status() {
  local ns found=0
  for ns in "${ALL[@]}"; do
    if ip netns list | awk '{print $1}' | grep -qx "$ns"; then
      found=$((found + 1))
      echo "$ns: $(ip -n "$ns" -4 -o addr show | awk '$2 != "lo" {printf "%s %s  ", $2, $4}')"
    else
      echo "$ns: missing"
    fi
  done
  [[ $found -eq ${#ALL[@]} ]] && { echo "lab is up"; return 0; }
  echo "lab is down"
  return 1
}

main() {
  local usage="usage: lab.sh up|down|status|limits off|default|version"
  [[ $# -eq 1 || ( $# -eq 2 && $1 == limits ) ]] || die "$usage"
  case $1 in
    up|down|limits)
      [[ $(id -u) -eq 0 ]] || die "needs root (network namespaces)"
      # QLAB_LOCKED: the caller already holds the lock (tests/lab/run-in-lab.sh).
      if [[ ${QLAB_LOCKED:-} != 1 ]]; then
        exec 9>"$LOCK"
        flock 9
      fi
      "$@"
      ;;
    status) status ;;
    version) echo "$VERSION" ;;
    *) die "$usage" ;;
  esac
}

main "$@"
