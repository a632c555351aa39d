#!/bin/bash
# Gives the named programs cap_net_raw, so that they can open raw ICMP sockets.
# Where that cannot be done, says in one line what the user must do instead.
# With --revoke first, takes the capability away again where a program carries it: the
# tests run their programs with and without CAP_NET_RAW themselves, and a program file that
# carries it cannot even be started where it has been taken away.
# Usage: tools/grant-probing.sh [--revoke] PROGRAM...
revoke=0
if [[ ${1:-} == --revoke ]]; then
  revoke=1
  shift
fi
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo -n"
for program in "$@"; do
  [[ -x "$program" ]] || continue
  if [[ $revoke -eq 1 ]]; then
    [[ -n $(getcap "$program" 2>/dev/null) ]] || continue
    $sudo setcap -r "$program" 2>/dev/null ||
      echo "Hinweis: '$program' traegt cap_net_raw; fuer die Tests 'sudo setcap -r $program' ausfuehren."
    continue
  fi
  if ! $sudo setcap cap_net_raw+ep "$program" 2>/dev/null; then
    echo "Hinweis: Fuer Proben '$program' als root starten, 'sudo setcap cap_net_raw+ep $program' ausfuehren oder net.ipv4.ping_group_range fuer die eigene Gruppe oeffnen."
  fi
done
exit 0
