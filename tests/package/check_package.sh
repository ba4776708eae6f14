#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks what it holds and
# that its menu entry and AppStream data validate, then starts the unpacked
# program offscreen and closes its login window.
#
#   check_package.sh CPackConfig.cmake window_probe.so
set -euo pipefail
config=$1 probe=$2

work=$(mktemp -d /tmp/tabvale-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

cpack --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/tabvale_*_amd64.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one tabvale_VERSION_amd64.deb, got: ${debs[*]}"
deb=${debs[0]}

info=$(dpkg-deb --info "$deb")
grep -qx ' Package: tabvale' <<<"$info" || fail "package name: $info"
# Taken from the linked libraries, so the Qt and ODBC libraries must be there.
grep -Eq '^ Depends: .*libqt6widgets6.*' <<<"$info" || fail "no Qt in Depends: $info"
grep -Eq '^ Depends: .*libodbc' <<<"$info" || fail "no ODBC in Depends: $info"
grep -qx ' Recommends: odbc-postgresql, libsqliteodbc, cups-client' <<<"$info" || fail "Recommends: $info"

contents=$(dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
expected=(
  './usr/lib/tabvale/tabvale'
  './usr/lib/tabvale/HAND-M.CUR'
  './usr/bin/tabvale -> ../lib/tabvale/tabvale'
  './usr/share/applications/com.kestrelon.Tabvale.desktop'
  './usr/share/metainfo/com.kestrelon.Tabvale.metainfo.xml'
)
for size in 16 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/tabvale.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "missing from the package: $path"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/com.kestrelon.Tabvale.desktop" || fail "desktop-file-validate"
# The tree check also follows the launchable to the menu entry and its icon.
appstreamcli validate --no-net "$root/usr/share/metainfo/com.kestrelon.Tabvale.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

# A new user: nothing remembered, no data sources. Started through the link
# in bin/, the program must still see lib/tabvale/ as its folder.
mkdir -p "$work/home" "$work/odbc" && install -d -m 700 "$work/runtime"
status=0
env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" ODBCSYSINI="$work/odbc" \
    ODBCINI="$work/odbc/odbc.ini" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$probe" \
    timeout 60 "$root/usr/bin/tabvale" >"$work/run.log" 2>&1 || status=$?
cat "$work/run.log"
[[ $status -eq 0 ]] || fail "the program ended with status $status"
grep -qxF "shown: Form1 \"Tabvale Software\" in $root/usr/lib/tabvale" "$work/run.log" \
  || fail "the login window did not show from $root/usr/lib/tabvale"
echo "checked $(basename "$deb")"
