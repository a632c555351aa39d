#!/bin/bash
# Times quorail-trace on simulated paths against Debian's traceroute on the same paths,
# in the same run:
#  - 8 hops (round trips 2 to 30 ms, 3 probes a hop, no names): quorail-trace with each
#    socket kind (and as the user nobody through the probe helper) and the sequential
#    schedule against the sum of all probes' true round
#    trips, against traceroute -I -n and against traceroute -I -n -N 1 -q 3 (one probe at
#    a time); the largest round-trip error, the tracer's peak resident memory and the echo
#    facility's own cost per probe (quorail-probe-cost on loopback);
#  - 12 hops (round trips 1 to 40 ms) whose routers 4 and 8 never answer, with a DNS
#    server in the namespace that answers each reverse lookup after 0.5 s: quorail-trace
#    with its defaults against traceroute -I with its defaults, both with and without
#    names, and the sequential schedule with names;
#  - a target that never answers behind 6 routers: quorail-trace against its wait;
#  - ten traces back to back across the real routers of the test network (tools/lab/lab.sh,
#    namespace qlab-src, under its lock) with Linux's own ICMP rate limits, which let a
#    router answer about once a second after a burst of six: how many of the router hops
#    (r1 and r3, each trace) quorail-trace, traceroute -I and mtr -r -c 3 showed, and the
#    time each took per trace. Each program starts after the routers' allowance refilled.
# Figures are medians over the runs, with the lowest and highest run beside them.
# Needs root: the paths live behind a tun device in a namespace of its own (qbench-src),
# with no link to any other network; its name server listens on its own loopback.
# Usage: bench/trace/run.sh [RUNS]   (default 5)
#        bench/trace/run.sh --quick  (one run each, short waits, three traces back to back,
#                                     no verdicts)
# Builds into $QUORAIL_BUILD (default build/, as test.sh does) first.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORAIL_BUILD:-$root/build}
quick=""
if [[ ${1:-} == --quick ]]; then
  quick=1
  shift
fi
runs=${1:-5}
[[ -n $quick ]] && runs=1
readonly NS=qbench-src
readonly TARGET=198.18.200.8
readonly RTTS=(2 6 10 14 18 22 26 30) # ms, hop 1 to 8
readonly PROBES=3
readonly REAL_TARGET=198.18.200.112
readonly REAL_RTTS=(1 4 7 10 13 17 21 25 29 33 37 40) # ms, hop 1 to 12
readonly REAL_SILENT=(4 8)
readonly SILENT_TARGET=198.18.200.230
# quorail-trace's and traceroute's default wait, s; the name server's delay, s.
wait_s=5
dns_delay=0.5
if [[ -n $quick ]]; then
  wait_s=1
  dns_delay=0.1
fi

[[ $(id -u) -eq 0 ]] || { echo "run.sh: needs root (network namespace, tun device)" >&2; exit 1; }
for tool in traceroute mtr /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (tools/packages-test.txt)" >&2; exit 1; }
done

if [[ -z ${QUORAIL_BENCH_PREBUILT:-} ]]; then
  [[ -f $build/build.ninja ]] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target quorail-trace quorail-probe quorail-pathsim quorail-probe-cost >/dev/null
fi
tracer=$build/cli/quorail-trace
pathsim=$build/tools/pathsim/quorail-pathsim
probe_cost=$build/bench/trace/quorail-probe-cost
"$root/tools/grant-probing.sh" --check "$build/probe/quorail-probe" || exit 1

work=$(mktemp -d /tmp/qbench.XXXXXX)
simulator_pid=""
dns_pid=""
cleanup() {
  [[ -n $simulator_pid ]] && kill "$simulator_pid" 2>/dev/null && { wait "$simulator_pid" 2>/dev/null || true; }
  [[ -n $dns_pid ]] && kill "$dns_pid" 2>/dev/null && { wait "$dns_pid" 2>/dev/null || true; }
  ip netns del "$NS" 2>/dev/null || true
  rm -rf "/etc/netns/$NS"
  [[ -n ${QBENCH_KEEP:-} ]] || rm -rf "$work"
}
trap cleanup EXIT

ip netns del "$NS" 2>/dev/null || true
ip netns add "$NS"
ip -n "$NS" link set lo up
ip netns exec "$NS" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
ip -n "$NS" tuntap add dev qsim0 mode tun
ip -n "$NS" addr add 198.18.199.1/32 dev qsim0
ip -n "$NS" link set qsim0 up
ip -n "$NS" route add 198.18.200.0/24 dev qsim0 src 198.18.199.1

# Names: the hosts file knows nothing; the namespace's own name server answers slowly.
mkdir -p "/etc/netns/$NS"
printf '127.0.0.1\tlocalhost\n' >"/etc/netns/$NS/hosts"
printf 'hosts: files dns\n' >"/etc/netns/$NS/nsswitch.conf"
printf 'nameserver 127.0.0.1\noptions timeout:2 attempts:1\n' >"/etc/netns/$NS/resolv.conf"
ip netns exec "$NS" python3 "$root/tools/slowdns/slow-dns.py" --delay "$dns_delay" >"$work/dns.out" 2>&1 &
dns_pid=$!

{
  echo "path $TARGET"
  for i in "${!RTTS[@]}"; do
    hop=$((i + 1))
    address=198.18.200.$hop
    echo "hop $address rtt=${RTTS[$i]}"
  done
  echo "path $REAL_TARGET"
  for i in "${!REAL_RTTS[@]}"; do
    hop=$((i + 1))
    silent=""
    [[ " ${REAL_SILENT[*]} " == *" $hop "* ]] && silent=" silent"
    address=198.18.200.$((100 + hop))
    [[ $hop -eq ${#REAL_RTTS[@]} ]] && address=$REAL_TARGET
    echo "hop $address rtt=${REAL_RTTS[$i]}$silent"
  done
  echo "path $SILENT_TARGET"
  for hop in 1 2 3 4 5 6; do echo "hop 198.18.200.$((200 + hop)) rtt=$((hop * 3))"; done
  echo "hop $SILENT_TARGET silent"
} >"$work/path.txt"

ip netns exec "$NS" "$pathsim" "$work/path.txt" >"$work/pathsim.out" 2>&1 &
simulator_pid=$!
for _ in $(seq 50); do
  grep -qx ready "$work/pathsim.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/pathsim.out" || { echo "run.sh: quorail-pathsim did not start" >&2; cat "$work/pathsim.out" >&2; exit 1; }
for _ in $(seq 50); do
  grep -qx ready "$work/dns.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/dns.out" || { echo "run.sh: the name server did not start" >&2; cat "$work/dns.out" >&2; exit 1; }

# Runs a command in the namespace under /usr/bin/time; prints "WALL_US RSS_KB".
timed_run() {
  local out=$1; shift
  ip netns exec "$NS" bash -c '
    out=$1; shift
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$out.rss" "$@" >"$out" 2>"$out.err"
    end=$EPOCHREALTIME
    echo "$(( ${end/./} - ${start/./} )) $(tail -1 "$out.rss")"
  ' timed "$out" "$@"
}

# The largest difference between a reported and the true round trip, in ms; fails on a
# wrong hop count or address.
rtt_error() {
  awk -v rtts="${RTTS[*]}" -v hops=${#RTTS[@]} -F'\t' '
    BEGIN { split(rtts, rtt, " "); worst = 0 }
    {
      n++
      if ($1 != n || $5 != "[198.18.200." n "]") { print "bad line: " $0 > "/dev/stderr"; bad = 1 }
      for (f = 2; f <= 4; f++) { d = $f - rtt[n]; if (d < 0) d = -d; if (d > worst) worst = d }
    }
    END { if (n != hops || bad) { print "expected " hops " hop lines, got " n > "/dev/stderr"; exit 1 } print worst }
  ' "$1"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

bound_us=0
for rtt in "${RTTS[@]}"; do bound_us=$((bound_us + rtt * 1000 * PROBES)); done

# Checks the listing of the 12-hop path: 12 lines, routers 4 and 8 timed out, the
# others named by the name server when names were asked for.
real_check() {
  awk -v names="$2" -F'\t' '
    {
      n++
      silent = (n == 4 || n == 8)
      if (silent && $0 != n "\t*\t*\t*\tFehler:\t\t11010") bad = 1
      if (!silent && names && $6 !~ /^hop[0-9]+\.bench\.quorail\.test$/) bad = 1
      if (!silent && !names && NF != 5) bad = 1
      if (bad) { print "bad line: " $0 > "/dev/stderr"; exit 1 }
    }
    END { if (n != 12) { print "expected 12 hop lines, got " n > "/dev/stderr"; exit 1 } }
  ' "$1"
}

# The tracer runs with each socket kind: ping sockets admitted, closed (raw sockets), and
# closed for the user nobody (the probe helper); everything else with ping sockets admitted.
declare -A RANGE=([datagram]="0 2147483647" [raw]="1 0" [helper]="1 0")
declare -A USER=([datagram]="" [raw]="" [helper]="setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all --")
run_one() {
  local what=$1 run=$2 wall rss out=$work/$1.$2
  ip netns exec "$NS" sysctl -q -w net.ipv4.ping_group_range="${RANGE[$what]:-${RANGE[datagram]}}"
  case $what in
    datagram | raw | helper)
      read -r wall rss < <(timed_run "$out" ${USER[$what]} "$tracer" -n -q $PROBES -w 1 "$TARGET")
      echo "$rss" >>"$work/rss.$what"
      rtt_error "$out" >>"$work/err.$what"
      ;;
    sequential)
      read -r wall rss < <(timed_run "$out" "$tracer" -n -q $PROBES -w 1 --sequential "$TARGET")
      echo "$rss" >>"$work/rss.$what"
      rtt_error "$out" >>"$work/err.$what"
      ;;
    traceroute) read -r wall _ < <(timed_run "$out" traceroute -I -n -N 1 -q $PROBES "$TARGET") ;;
    traceroute-n) read -r wall _ < <(timed_run "$out" traceroute -I -n -w "$wait_s" "$TARGET") ;;
    real-names)
      read -r wall _ < <(timed_run "$out" "$tracer" -w "$wait_s" "$REAL_TARGET")
      real_check "$out" 1
      ;;
    real-nonames)
      read -r wall _ < <(timed_run "$out" "$tracer" -n -w "$wait_s" "$REAL_TARGET")
      real_check "$out" 0
      ;;
    real-sequential)
      read -r wall _ < <(timed_run "$out" "$tracer" -w "$wait_s" --sequential "$REAL_TARGET")
      real_check "$out" 1
      ;;
    real-traceroute) read -r wall _ < <(timed_run "$out" traceroute -I -w "$wait_s" "$REAL_TARGET") ;;
    real-traceroute-n) read -r wall _ < <(timed_run "$out" traceroute -I -n -w "$wait_s" "$REAL_TARGET") ;;
    silent)
      read -r wall _ < <(timed_run "$out" "$tracer" -n -w "$wait_s" "$SILENT_TARGET")
      [[ $(wc -l <"$out") -eq 30 ]] || { echo "run.sh: expected 30 hop lines to the silent target" >&2; exit 1; }
      ;;
    harness) read -r wall _ < <(timed_run "$out" true) ;;
  esac
  echo "$wall" >>"$work/wall.$what"
}

# Each run starts with the next one of the list, so that none always follows the same
# one (a tracer started right after another finds the machine in a different state).
ORDER=(datagram raw helper sequential traceroute traceroute-n real-names real-nonames real-sequential real-traceroute
  real-traceroute-n silent harness)
for run in $(seq "$runs"); do
  for i in "${!ORDER[@]}"; do
    run_one "${ORDER[$(( (run + i) % ${#ORDER[@]} ))]}" "$run"
  done
done

# The echo facility's own cost per probe (open, echo, close) on the namespace's loopback.
declare -A COST
# The helper sends at most 256 requests a second after a burst of 128: its cost is taken
# within the burst.
declare -A COST_PROBES=([datagram]=20000 [raw]=20000 [helper]=100)
[[ -n $quick ]] && COST_PROBES[datagram]=2000 && COST_PROBES[raw]=2000
for kind in datagram raw helper; do
  ip netns exec "$NS" sysctl -q -w net.ipv4.ping_group_range="${RANGE[$kind]}"
  COST[$kind]=$(ip netns exec "$NS" ${USER[$kind]} "$probe_cost" "${COST_PROBES[$kind]}")
done

# The harness's own cost (bash, /usr/bin/time, fork and exec of a program that does
# nothing) is taken off every wall time. Times below in ms.
harness=$(median <"$work/wall.harness")
ms() { awk -v h="$harness" '{ print ($1 - h) / 1000 }' "$work/wall.$1" | sort -g; }
med() { ms "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { printf '[%.1f, %.1f]' "$(ms "$1" | head -1)" "$(ms "$1" | tail -1)"; }
verdict() { [[ -n $quick ]] && return; awk -v ok="$1" 'BEGIN { print (ok ? "ok" : "MISSED") }'; }
line() { printf '  %-40s %9.1f ms %s\n' "$1" "$(med "$2")" "$(spread "$2")"; }
ratio() { awk -v a="$(med "$1")" -v b="$(med "$2")" 'BEGIN { printf "%.3f", a / b }'; }

[[ -n $quick ]] && printf 'quick mode: one run, waits of %s s, name server delay %s s, no verdicts\n' "$wait_s" "$dns_delay"
printf 'median [lowest, highest] of %d runs; harness cost taken off: %.1f ms\n' "$runs" \
  "$(awk -v h="$harness" 'BEGIN { print h / 1000 }')"
printf 'load average (1 min) at the end: %s on %s cores; other work on the machine slows every tracer\n' \
  "$(cut -d' ' -f1 /proc/loadavg)" "$(nproc)"

printf '\npath of 8 hops, round trips 2..30 ms, 3 probes a hop, no names\n'
printf '  %-40s %9.1f ms\n' "sum of true round trips" "$(awk -v b="$bound_us" 'BEGIN { print b / 1000 }')"
line "traceroute -I -n" traceroute-n
line "traceroute -I -n -N 1 -q 3" traceroute
line "quorail-trace -n --sequential" sequential
for kind in datagram raw; do
  line "quorail-trace -n, $kind sockets" "$kind"
done
line "quorail-trace -n, nobody, probe helper" helper
for kind in datagram raw helper sequential; do
  worst=$(sort -g "$work/err.$kind" | tail -1)
  rss=$(sort -n "$work/rss.$kind" | tail -1)
  printf '  %s:\n' "$kind"
  printf '    wall / traceroute -I -n wall           %8.3f    (target <= 1.00) %s\n' \
    "$(ratio "$kind" traceroute-n)" "$(verdict "$(awk -v a="$(med "$kind")" -v b="$(med traceroute-n)" 'BEGIN { print a <= b }')")"
  printf '    wall / sum of round trips              %8.3f    (target <= 1.03) %s\n' \
    "$(awk -v a="$(med "$kind")" -v b="$bound_us" 'BEGIN { printf "%.3f", a * 1000 / b }')" \
    "$(verdict "$(awk -v a="$(med "$kind")" -v b="$bound_us" 'BEGIN { print a * 1000 <= b * 1.03 }')")"
  printf '    largest round-trip error               %8.3f ms (target <= 1)    %s\n' "$worst" \
    "$(verdict "$(awk -v w="$worst" 'BEGIN { print w <= 1 }')")"
  printf '    peak resident memory                   %8.2f MB (target < 4)     %s\n' \
    "$(awk -v r="$rss" 'BEGIN { print r / 1024 }')" "$(verdict "$(awk -v r="$rss" 'BEGIN { print r < 4096 }')")"
done
for kind in datagram raw helper; do
  printf '  echo facility per probe, %-8s          %8.1f us on loopback (open, echo, close; %s probes)\n' \
    "$kind" "${COST[$kind]}" "${COST_PROBES[$kind]}"
done

printf '\npath of 12 hops, round trips 1..40 ms, routers 4 and 8 silent, each reverse lookup %s s\n' "$dns_delay"
line "traceroute -I (names)" real-traceroute
line "traceroute -I -n" real-traceroute-n
line "quorail-trace --sequential (names)" real-sequential
line "quorail-trace (names)" real-names
line "quorail-trace -n" real-nonames
printf '  %-40s %8.3f    (target <= 1.00) %s\n' "quorail-trace / traceroute -I, names" \
  "$(ratio real-names real-traceroute)" \
  "$(verdict "$(awk -v a="$(med real-names)" -v b="$(med real-traceroute)" 'BEGIN { print a <= b }')")"
printf '  %-40s %8.3f    (target <= 1.00)\n' "quorail-trace / traceroute -I, -n" "$(ratio real-nonames real-traceroute-n)"
printf '  %-40s %8.1f ms (target <= 1300) %s\n' "quorail-trace -n" "$(med real-nonames)" \
  "$(verdict "$(awk -v a="$(med real-nonames)" 'BEGIN { print a <= 1300 }')")"
printf '  %-40s %8.3f\n' "sequential / parallel schedule, names" "$(ratio real-sequential real-names)"

printf '\ntarget that never answers behind 6 routers, wait %s s\n' "$wait_s"
line "quorail-trace -n" silent
printf '  %-40s %8.3f    (target <= 1.10) %s\n' "wall / wait" \
  "$(awk -v a="$(med silent)" -v w="$wait_s" 'BEGIN { printf "%.3f", a / (w * 1000) }')" \
  "$(verdict "$(awk -v a="$(med silent)" -v w="$wait_s" 'BEGIN { print a <= w * 1100 }')")"

# Ten traces back to back across the test network's real routers, with their rate limits.
readonly LAB_TARGET=198.18.4.2
readonly LAB_ROUTERS='\[?198\.18\.(1|3)\.2\]?'
back_to_back=10
[[ -n $quick ]] && back_to_back=3
lab=$root/tools/lab/lab.sh
# Router hops that one listing shows: r1 at hop 1, r3 at hop 3.
routers_shown() { grep -cE "(^|[ 	|-])$LAB_ROUTERS( |	|$)" "$1" || true; }
limited_series() {
  local name=$1 shown=0 start end
  shift
  sleep 6 # the routers' allowance refills: a burst of six
  start=$EPOCHREALTIME
  for i in $(seq "$back_to_back"); do
    ip netns exec qlab-src "$@" >"$work/limited.$name.$i" 2>/dev/null || true
    shown=$((shown + $(routers_shown "$work/limited.$name.$i")))
  done
  end=$EPOCHREALTIME
  printf '  %-40s %3d of %d router hops, %7.1f ms a trace\n' "$name" "$shown" $((2 * back_to_back)) \
    "$(awk -v a="${start/./}" -v b="${end/./}" -v n="$back_to_back" 'BEGIN { print (b - a) / 1000 / n }')"
}
printf '\n%d traces back to back across the test network'"'"'s routers with Linux'"'"'s own ICMP limits\n' "$back_to_back"
(
  exec 9>/run/qlab.lock
  flock 9
  export QLAB_LOCKED=1
  was_up=1
  ip netns list | awk '{print $1}' | grep -qx qlab-src || { was_up=""; "$lab" up; }
  trap '"$lab" limits off; [[ -n $was_up ]] || "$lab" down' EXIT
  "$lab" limits default
  ip netns exec qlab-src sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
  limited_series "quorail-trace -n" "$tracer" -n "$LAB_TARGET"
  limited_series "traceroute -I -n" traceroute -I -n "$LAB_TARGET"
  limited_series "mtr -r -c 3 -n" mtr -r -c 3 -n "$LAB_TARGET"
)
