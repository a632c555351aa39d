#!/bin/bash
# Times quorail-trace's report against mtr's on the same simulated path, in the same run,
# and measures its peak memory over many rounds:
#  - 8 hops (round trips 2 to 30 ms; hop 4 loses 10 % and jitters by up to 2 ms, no names):
#    `quorail-trace --report --cycles 200 --interval 0.05 -n` against
#    `mtr -r -c 200 -i 0.05 -n`; their wall times and the ratio (at most 1 passes);
#  - 2 hops: quorail-trace's peak resident memory after 500 and after 5,000 rounds
#    (0.008 s apart, within the probe budget); the growth (below 1 MB passes);
#  - 30 hops, one round a second for a minute: the engine's processor time in percent of
#    one core (figure only; the watch window's bound of 2 % includes it).
# Figures are medians over the runs, the lowest and highest run beside them.
# Needs root: the paths live behind a tun device in the namespace qbench-src, with no link
# to any other network (the trace benchmark's, under its lock).
# Usage: bench/watch/run.sh [RUNS]   (default 3)
#        bench/watch/run.sh --quick  (one run each, 20 against 200 rounds, 50 against
#                                     500 for memory, 5 s for the processor, no verdicts)
# Builds into $QUORAIL_BUILD (default build/) first unless QUORAIL_BENCH_PREBUILT is set.
set -euo pipefail
# The namespace has one name on the machine: runs from other build folders, and the trace
# benchmark, wait their turn.
if [[ $(id -u) -eq 0 && ${QBENCH_LOCKED:-} != 1 ]]; then
  exec env QBENCH_LOCKED=1 flock /run/qbench.lock "$0" "$@"
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORAIL_BUILD:-$root/build}
quick=""
if [[ ${1:-} == --quick ]]; then
  quick=1
  shift
fi
runs=${1:-3}
cycles=200
few=500
many=5000
seconds=60
if [[ -n $quick ]]; then
  runs=1
  cycles=20
  few=50
  many=500
  seconds=5
fi
readonly NS=qbench-src
readonly TARGET=198.18.200.8
readonly RTTS=(2 6 10 14 18 22 26 30) # ms, hop 1 to 8
readonly SMALL_TARGET=198.18.200.32
readonly LONG_TARGET=198.18.200.130 # behind 198.18.200.101 to .129

[[ $(id -u) -eq 0 ]] || { echo "run.sh: needs root (network namespace, tun device)" >&2; exit 1; }
for tool in mtr /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (tools/packages-test.txt)" >&2; exit 1; }
done

if [[ -z ${QUORAIL_BENCH_PREBUILT:-} ]]; then
  [[ -f $build/build.ninja ]] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target quorail-trace quorail-pathsim >/dev/null
fi
tracer=$build/cli/quorail-trace
pathsim=$build/tools/pathsim/quorail-pathsim

work=$(mktemp -d /tmp/qbench-watch.XXXXXX)
simulator_pid=""
cleanup() {
  [[ -n $simulator_pid ]] && kill "$simulator_pid" 2>/dev/null && { wait "$simulator_pid" 2>/dev/null || true; }
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
    extra=""
    [[ $hop -eq 4 ]] && extra=" loss=10 jitter=2 seed=4"
    echo "hop 198.18.200.$hop rtt=${RTTS[$i]}$extra"
  done
  echo "path $SMALL_TARGET"
  echo "hop 198.18.200.31 rtt=1"
  echo "hop $SMALL_TARGET rtt=2"
  echo "path $LONG_TARGET"
  for hop in $(seq 29); do echo "hop 198.18.200.$((100 + hop)) rtt=$hop"; done
  echo "hop $LONG_TARGET rtt=30"
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

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { sort -n | awk '{ v[NR] = $1 } END { printf "%s..%s", v[1], v[NR] }'; }
ms() { awk -v us="$1" 'BEGIN { printf "%.0f", us / 1000 }'; }

# Checks that a report names the 8 hops and the target.
check_report() {
  local hops
  hops=$(grep -cE '^ *[0-9]+\.\|--' "$1" || true)
  [[ $hops -eq ${#RTTS[@]} ]] || { echo "run.sh: expected ${#RTTS[@]} hops in $2's report, got $hops" >&2; cat "$1" >&2; exit 1; }
  grep -q "$TARGET" "$1" || { echo "run.sh: $2's report does not reach $TARGET" >&2; cat "$1" >&2; exit 1; }
}

: >"$work/ours.us"
: >"$work/mtr.us"
for run in $(seq "$runs"); do
  read -r us _ < <(timed_run "$work/ours.$run" "$tracer" --report --cycles "$cycles" --interval 0.05 -n "$TARGET")
  check_report "$work/ours.$run" quorail-trace
  echo "$us" >>"$work/ours.us"
  read -r us _ < <(timed_run "$work/mtr.$run" mtr -r -c "$cycles" -i 0.05 -n "$TARGET")
  check_report "$work/mtr.$run" mtr
  echo "$us" >>"$work/mtr.us"
done
ours=$(median <"$work/ours.us")
theirs=$(median <"$work/mtr.us")
ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", a / b }')
echo "report, 8 hops, $cycles rounds 0.05 s apart:"
echo "  quorail-trace --report  $(ms "$ours") ms ($(spread <"$work/ours.us") us)"
echo "  mtr -r                  $(ms "$theirs") ms ($(spread <"$work/mtr.us") us)"
echo "  ratio quorail-trace / mtr: $ratio"
echo "  hop 4 (10 % loss, 14 to 16 ms):"
grep -E '^ *4\.\|--' "$work/ours.1" | sed 's/^/    quorail-trace /'
grep -E '^ *4\.\|--' "$work/mtr.1" | sed 's/^/    mtr           /'

: >"$work/few.kb"
: >"$work/many.kb"
for run in $(seq "$runs"); do
  read -r _ kb < <(timed_run "$work/few.$run" "$tracer" -r -c "$few" --interval 0.008 -n "$SMALL_TARGET")
  echo "$kb" >>"$work/few.kb"
  read -r _ kb < <(timed_run "$work/many.$run" "$tracer" -r -c "$many" --interval 0.008 -n "$SMALL_TARGET")
  echo "$kb" >>"$work/many.kb"
done
few_kb=$(median <"$work/few.kb")
many_kb=$(median <"$work/many.kb")
growth=$((many_kb - few_kb))
echo "peak memory, 2 hops: $few rounds $few_kb KB, $many rounds $many_kb KB, growth $growth KB (bound 1024 KB)"

ip netns exec "$NS" /usr/bin/time -f "%e %U %S" -o "$work/cpu.time" \
  "$tracer" -r -c "$seconds" --interval 1 -n "$LONG_TARGET" >"$work/cpu.out" 2>"$work/cpu.err"
read -r wall user system <"$work/cpu.time"
cpu=$(awk -v w="$wall" -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", 100 * (u + s) / w }')
echo "processor, 30 hops, $seconds rounds 1 s apart: ${user} s user + ${system} s system in ${wall} s = $cpu % of one core"

[[ -n $quick ]] && exit 0
verdict=0
if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.0) }'; then
  echo "PASS report time: no later than mtr's (ratio $ratio)"
else
  echo "FAIL report time: ratio $ratio against mtr's, bound 1"
  verdict=1
fi
if [[ $growth -lt 1024 ]]; then
  echo "PASS memory: $growth KB from $few to $many rounds"
else
  echo "FAIL memory: $growth KB from $few to $many rounds, bound 1024 KB"
  verdict=1
fi
exit $verdict
