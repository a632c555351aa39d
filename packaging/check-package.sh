#!/bin/bash
# Builds the Debian package from a build folder and checks it as CI does: its file list,
# the desktop entry (desktop-file-validate), the AppStream metadata (appstreamcli), the
# package itself (lintian, no errors); then installs the build into a scratch folder with
# DESTDIR and starts the installed programs from there: quorail-trace traces loopback as
# an unprivileged user through the installed helper, and the window starts offscreen and
# opens its installed help file.
# Usage: packaging/check-package.sh BUILD_FOLDER PLANTED_PLUGIN
set -euo pipefail
build=$(realpath "$1")
plugin=$2
if [[ $(id -u) -ne 0 ]]; then
  echo "skipped: needs root (capabilities, a private network namespace, another user)"
  exit 77
fi
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli setcap setpriv unshare; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/packages-test.txt)"; exit 1; }
done
work=$(mktemp -d /tmp/quorail-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "== cpack"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
echo "$deb"

echo "== file list"
dpkg-deb -c "$deb" | awk '{print $1, $NF}' | grep -v '/$' | sort >"$work/files"
cat "$work/files"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
expected="./usr/bin/quorail
./usr/bin/quorail-trace
./usr/lib/$multiarch/quorail/libquorail_framework.so
./usr/lib/$multiarch/quorail/libquorail_res.so
./usr/libexec/quorail/quorail-probe
./usr/share/applications/quorail.desktop
./usr/share/doc/quorail/changelog.gz
./usr/share/doc/quorail/copyright
./usr/share/icons/hicolor/128x128/apps/quorail.png
./usr/share/icons/hicolor/16x16/apps/quorail.png
./usr/share/icons/hicolor/24x24/apps/quorail.png
./usr/share/icons/hicolor/256x256/apps/quorail.png
./usr/share/icons/hicolor/32x32/apps/quorail.png
./usr/share/icons/hicolor/48x48/apps/quorail.png
./usr/share/icons/hicolor/64x64/apps/quorail.png
./usr/share/icons/hicolor/scalable/apps/quorail.svg
./usr/share/man/man1/quorail-trace.1.gz
./usr/share/man/man1/quorail.1.gz
./usr/share/metainfo/example.velmora.Quorail.metainfo.xml
./usr/share/quorail/quorail.chm"
diff <(awk '{print $2}' "$work/files" | sort) <(sort <<<"$expected") || fail "the package's files differ from the list"
# No file of the package is set-id; the capability comes from postinst, on the helper alone.
if awk '{print $1}' "$work/files" | grep -q '[sS]'; then fail "a set-id file in the package"; fi
dpkg-deb -I "$deb" >"$work/info"
grep -q '^ Depends:.*libqt6widgets6' "$work/info" || { cat "$work/info"; fail "no dependencies from dpkg-shlibdeps"; }
grep -q 'setcap cap_net_raw+ep "$helper"' <(dpkg-deb -I "$deb" postinst) || fail "postinst does not grant the helper"
grep -q '^ Recommends:.*qt6-translations-l10n' "$work/info" || fail "Qt's German texts (qt6-translations-l10n) are not recommended"
# dpkg keeps a removed package in state "rc" while it has a postrm or conffiles.
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qE '^(\./)?(postrm|conffiles)$'; then
  fail "a postrm or conffiles: apt remove would leave the package behind in state rc"
fi

echo "== desktop-file-validate"
dpkg-deb -x "$deb" "$work/deb"
desktop-file-validate "$work/deb/usr/share/applications/quorail.desktop" || fail "desktop-file-validate"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$work/deb/usr/share/metainfo/example.velmora.Quorail.metainfo.xml" || fail "appstreamcli"
echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

echo "== cmake --install with DESTDIR"
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
root=$work/root/usr
for program in bin/quorail bin/quorail-trace; do
  [[ -z $(getcap "$root/$program") ]] || fail "$program carries a capability"
done
helper=$root/libexec/quorail/quorail-probe
# The capable helper starts no programs: it imports nothing that could.
if nm -D --undefined-only "$helper" | grep -wE "fork|vfork|execve|execv|execvp|posix_spawn|posix_spawnp|system|popen"; then
  fail "the helper imports a call that starts programs"
fi
"$(dirname "$0")/../tools/grant-probing.sh" --check "$helper" || fail "could not grant the installed helper"
chmod -R a+rX "$work"

echo "== installed quorail-trace, unprivileged, through the installed helper"
# A network namespace of its own with only loopback; ping sockets closed, so that only the
# helper can probe.
unshare -n sh -c "ip link set lo up && sysctl -q -w net.ipv4.ping_group_range='1 0' &&
  exec setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all -- \
  env -i '$root/bin/quorail-trace' -n -w 2 127.0.0.1" >"$work/trace" 2>&1 || { cat "$work/trace"; fail "installed quorail-trace"; }
cat "$work/trace"
grep -q "^1	.*	\[127.0.0.1\]$" "$work/trace" || fail "the installed trace did not reach loopback"

echo "== installed window, offscreen, opens its help file"
mkdir -p "$work/bin" "$work/home" "$work/plugins/generic"
cp "$plugin" "$work/plugins/generic/"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > %s/opened\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
env -i PATH="$work/bin:/usr/bin:/bin" HOME="$work/home" XDG_RUNTIME_DIR="$work/home" QT_QPA_PLATFORM=offscreen \
  QT_PLUGIN_PATH="$work/plugins" QT_QPA_GENERIC_PLUGINS=planted:help "$root/bin/quorail" -nologo >"$work/window" 2>&1 &
window=$!
for _ in $(seq 100); do
  [[ -s $work/opened ]] && break
  kill -0 $window 2>/dev/null || break
  sleep 0.2
done
kill $window 2>/dev/null || true
wait $window 2>/dev/null || true
[[ -s $work/opened ]] || { cat "$work/window"; fail "the installed window did not open a help file"; }
echo "help opened: $(cat "$work/opened")"
[[ $(cat "$work/opened") == "$root/share/quorail/quorail.chm" ]] || fail "the window opened another help file"
echo "== all checks passed"
