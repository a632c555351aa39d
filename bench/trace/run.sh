#!/bin/bash
# Times quorail-trace on a simulated path of 8 hops (round trips 2 to 30 ms, 3 probes a
# hop, no names) against the sum of all probes' true round trips and against Debian's
# traceroute (-I -n -N 1 -q 3, one probe at a time) on the same path, and prints the
# largest round-trip error, the tracer's peak resident memory and the echo facility's own
# cost per probe (quorail-probe-cost on loopback). Figures are medians over
# the runs, with the lowest and highest run beside them.
# Needs root: the path lives behind a tun device in a namespace of its own (qbench-src),
# with no link to any other network. Usage: bench/trace/run.sh [--quick] [RUNS]   (default 5)
# --quick: one run of each and a short probe-cost loop, figures without verdicts (for the tests).
# Builds into $QUORAIL_BUILD (default build/, as test.sh does) first.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORAIL_BUILD:-$root/build}
quick=0
if [[ ${1:-} == --quick ]]; then
  quick=1
  shift
fi
runs=${1:-5}
probe_cost_count=20000
if ((quick)); then
  runs=1
  probe_cost_count=200
fi
readonly NS=qbench-src
readonly TARGET=198.18.200.8
readonly RTTS=(2 6 10 14 18 22 26 30) # ms, hop 1 to 8
readonly PROBES=3

[[ $(id -u) -eq 0 ]] || { echo "run.sh: needs root (network namespace, tun device)" >&2; exit 1; }
for tool in traceroute /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (tools/packages-test.txt)" >&2; exit 1; }
done

if [[ -z ${QUORAIL_BENCH_PREBUILT:-} ]]; then
  [[ -f $build/build.ninja ]] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target quorail-trace quorail-pathsim quorail-probe-cost >/dev/null
fi
tracer=$build/cli/quorail-trace
pathsim=$build/tools/pathsim/quorail-pathsim
probe_cost=$build/bench/trace/quorail-probe-cost

work=$(mktemp -d /tmp/qbench.XXXXXX)
simulator_pid=""
cleanup() {
  [[ -n $simulator_pid ]] && kill "$simulator_pid" 2>/dev/null && wait "$simulator_pid" 2>/dev/null
  ip netns del "$NS" 2>/dev/null || true
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

{
  echo "path $TARGET"
  for i in "${!RTTS[@]}"; do
    hop=$((i + 1))
    address=198.18.200.$hop
    echo "hop $address rtt=${RTTS[$i]}"
  done
} >"$work/path.txt"

ip netns exec "$NS" "$pathsim" "$work/path.txt" >"$work/pathsim.out" 2>&1 &
simulator_pid=$!
for _ in $(seq 50); do
  grep -qx ready "$work/pathsim.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/pathsim.out" || { echo "run.sh: quorail-pathsim did not start" >&2; cat "$work/pathsim.out" >&2; exit 1; }

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

# The tracer runs with each socket kind: ping sockets admitted, and closed (raw sockets).
declare -A RANGE=([datagram]="0 2147483647" [raw]="1 0")
run_one() {
  local what=$1 run=$2 wall rss
  case $what in
    datagram | raw)
      ip netns exec "$NS" sysctl -q -w net.ipv4.ping_group_range="${RANGE[$what]}"
      read -r wall rss < <(timed_run "$work/q$what$run" "$tracer" -n -q $PROBES -w 1000 "$TARGET")
      echo "$rss" >>"$work/rss.$what"
      rtt_error "$work/q$what$run" >>"$work/err.$what"
      ;;
    traceroute) read -r wall _ < <(timed_run "$work/t$run" traceroute -I -n -N 1 -q $PROBES "$TARGET") ;;
    harness) read -r wall _ < <(timed_run "$work/n$run" true) ;;
  esac
  echo "$wall" >>"$work/wall.$what"
}

# Each run starts with the next of the four, so that none always follows the same one
# (a tracer started right after another finds the machine in a different state).
ORDER=(datagram raw traceroute harness)
for run in $(seq "$runs"); do
  for i in 0 1 2 3; do
    run_one "${ORDER[$(( (run + i) % 4 ))]}" "$run"
  done
done

# The echo facility's own cost per probe (open, echo, close) on the namespace's loopback.
declare -A COST
for kind in datagram raw; do
  ip netns exec "$NS" sysctl -q -w net.ipv4.ping_group_range="${RANGE[$kind]}"
  COST[$kind]=$(ip netns exec "$NS" "$probe_cost" "$probe_cost_count")
done

# The harness's own cost (bash, /usr/bin/time, fork and exec of a program that does
# nothing) is taken off every wall time.
harness=$(median <"$work/wall.harness")
theirs=$(( $(median <"$work/wall.traceroute") - harness ))
printf 'path: 8 hops, round trips 2..30 ms, 3 probes a hop, no names; median [lowest, highest] of %d runs\n' "$runs"
printf 'load average (1 min) at the end: %s on %s cores; other work on the machine slows both tracers\n' \
  "$(cut -d' ' -f1 /proc/loadavg)" "$(nproc)"
printf 'harness cost, taken off below    %8.1f ms\n' "$(awk -v h="$harness" 'BEGIN { print h / 1000 }')"
printf 'sum of true round trips          %8.1f ms\n' "$(awk -v b="$bound_us" 'BEGIN { print b / 1000 }')"
printf 'traceroute -I -n -N 1 -q 3 wall  %8.1f ms [%.1f, %.1f]\n' "$(awk -v t="$theirs" 'BEGIN { print t / 1000 }')" \
  "$(awk -v h="$harness" '{ print ($1 - h) / 1000 }' "$work/wall.traceroute" | sort -g | head -1)" \
  "$(awk -v h="$harness" '{ print ($1 - h) / 1000 }' "$work/wall.traceroute" | sort -g | tail -1)"
for kind in datagram raw; do
  # Per run, the tracer's wall against traceroute's of the same run.
  paste "$work/wall.$kind" "$work/wall.traceroute" | awk -v h="$harness" '{ print ($1 - h) / ($2 - h) }' | sort -g \
    >"$work/ratio.$kind"
  awk -v h="$harness" -v b="$bound_us" '{ print ($1 - h) / b }' "$work/wall.$kind" | sort -g >"$work/bound.$kind"
  awk -v kind="$kind" -v ours="$(( $(median <"$work/wall.$kind") - harness ))" -v theirs="$theirs" \
      -v bound="$bound_us" -v vsBound="$(head -1 "$work/bound.$kind") $(tail -1 "$work/bound.$kind")" \
      -v vsTheirs="$(median <"$work/ratio.$kind") $(head -1 "$work/ratio.$kind") $(tail -1 "$work/ratio.$kind")" \
      -v worst="$(sort -g "$work/err.$kind" | tail -1)" -v rss="$(sort -n "$work/rss.$kind" | tail -1)" \
      -v cost="${COST[$kind]}" -v quick="$quick" '
    function verdict(ok) { return quick ? "" : ok ? "ok" : "MISSED" }
    BEGIN {
      split(vsBound, b, " "); split(vsTheirs, t, " ")
      printf "quorail-trace, %s sockets:\n", kind
      printf "  wall time                      %8.1f ms\n", ours / 1000
      printf "  wall / sum of round trips      %8.3f    [%.3f, %.3f] (target <= 1.03) %s\n", ours / bound, b[1], b[2],
        verdict(ours / bound <= 1.03)
      printf "  wall / traceroute wall         %8.3f    (target <= 1.00) %s\n", ours / theirs, verdict(ours <= theirs)
      printf "    the same, run by run         %8.3f    [%.3f, %.3f]\n", t[1], t[2], t[3]
      printf "  largest round-trip error       %8.3f ms (target <= 1)    %s\n", worst, verdict(worst <= 1)
      printf "  peak resident memory           %8.2f MB (target < 4)     %s\n", rss / 1024, verdict(rss < 4096)
      printf "  echo facility per probe        %8.1f us on loopback (open, echo, close)\n", cost
    }'
done
