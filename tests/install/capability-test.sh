#!/bin/bash
# With cap_net_raw on the probe helper alone, no local user can borrow a capability from
# Quorail: quorail and quorail-trace carry none, and a Qt plugin that an unprivileged user
# plants into quorail (QT_PLUGIN_PATH, QT_QPA_GENERIC_PLUGINS) runs with none.
# Usage: capability-test.sh HELPER QUORAIL QUORAIL_TRACE PLUGIN
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: needs root to grant the capability and to start programs as another user"
  exit 77
fi
helper=$1 quorail=$2 trace=$3 plugin=$4
"$(dirname "$0")/../../tools/grant-probing.sh" --check "$helper"
for program in "$quorail" "$trace"; do
  if [[ -n $(getcap "$program") ]]; then
    echo "FAIL: $program carries a capability: $(getcap "$program")"
    exit 1
  fi
done

work=$(mktemp -d /tmp/quorail-planted.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/plugins/generic"
cp "$plugin" "$work/plugins/generic/"
chmod -R a+rX "$work"
chmod a+w "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all -- \
  env -i HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$work/plugins" \
  QT_QPA_GENERIC_PLUGINS="planted:report=$work/report" timeout 30 "$quorail" -nologo >"$work/log" 2>&1 || true
if [[ ! -s $work/report ]]; then
  echo "FAIL: the planted plugin did not run in quorail"
  cat "$work/log"
  exit 1
fi
cat "$work/report"
status=0
for set in CapInh CapPrm CapEff CapAmb; do
  if ! grep -qx "$set:[[:space:]]*0000000000000000" "$work/report"; then
    echo "FAIL: the planted plugin holds capabilities in $set"
    status=1
  fi
done
grep -qx "RawSocket:[[:space:]]*refused" "$work/report" || { echo "FAIL: the planted plugin opened a raw socket"; status=1; }
exit $status
