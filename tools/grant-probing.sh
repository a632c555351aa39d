#!/bin/bash
# Gives the named programs cap_net_raw, so that they can open raw ICMP sockets.
# Where that cannot be done, says in one line what the user must do instead.
for program in "$@"; do
  [[ -x "$program" ]] || continue
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo -n"
  if ! $sudo setcap cap_net_raw+ep "$program" 2>/dev/null; then
    echo "Hinweis: Fuer Proben '$program' als root starten, 'sudo setcap cap_net_raw+ep $program' ausfuehren oder net.ipv4.ping_group_range fuer die eigene Gruppe oeffnen."
  fi
done
exit 0
