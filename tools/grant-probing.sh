#!/bin/bash
# Gives the probe helper quorail-probe cap_net_raw, so that it can open its raw ICMP
# socket for programs that may not. No other program of Quorail may carry a capability:
# the desktop program loads plugins and takes settings from its environment.
# Where granting cannot be done, says in one line what the user must do instead.
# With --revoke first, takes any capability away from the named programs (quorail and
# quorail-trace, should an older build have given them one).
# With --check first, grants it and fails unless the helper then carries exactly it
# (a file system without extended attributes cannot keep it).
# Usage: tools/grant-probing.sh [--revoke|--check] PROGRAM...
mode=grant
if [[ ${1:-} == --revoke || ${1:-} == --check ]]; then
  mode=${1#--}
  shift
fi
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo -n"
status=0
for program in "$@"; do
  if [[ ! -x "$program" ]]; then
    [[ $mode == check ]] && { echo "no program '$program'" >&2; status=1; }
    continue
  fi
  if [[ $mode == revoke ]]; then
    [[ -n $(getcap "$program" 2>/dev/null) ]] || continue
    $sudo setcap -r "$program" 2>/dev/null ||
      echo "Hinweis: '$program' traegt eine Capability; 'sudo setcap -r $program' ausfuehren."
    continue
  fi
  if [[ $(basename "$program") != quorail-probe ]]; then
    echo "grant-probing.sh: only quorail-probe may carry cap_net_raw, not '$program'" >&2
    status=1
    continue
  fi
  if ! $sudo setcap cap_net_raw+ep "$program" 2>/dev/null; then
    echo "Hinweis: Fuer Proben 'sudo setcap cap_net_raw+ep $program' ausfuehren, Quorail als root starten oder net.ipv4.ping_group_range fuer die eigene Gruppe oeffnen."
    [[ $mode == check ]] && status=1
    continue
  fi
  if [[ $mode == check && $(getcap "$program") != *"cap_net_raw=ep"* ]]; then
    echo "'$program' does not keep cap_net_raw (a file system without extended attributes?)" >&2
    status=1
  fi
done
exit $status
