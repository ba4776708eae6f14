#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks what it holds, that
# Debian's checker finds no error or warning in it and that its manual page,
# menu entry and AppStream data validate, then starts the unpacked program
# offscreen and closes its login window.
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
# The steps of the description are a list the package tools show as it
# stands: each of its lines indented by two blanks, none run into a paragraph.
description=$(dpkg-deb --field "$deb" Description)
steps=$(grep -E '^ +[0-9]+\. ' <<<"$description") || fail "no numbered steps in the description: $description"
[[ $(grep -c . <<<"$steps") -eq 3 ]] || fail "expected the three steps of the wizard: $description"
if grep -qvE '^  [0-9]+\. ' <<<"$steps"; then fail "a step is not indented as a list line: $description"; fi

contents=$(dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
expected=(
  './usr/lib/tabvale/tabvale'
  './usr/lib/tabvale/HAND-M.CUR'
  './usr/bin/tabvale -> ../lib/tabvale/tabvale'
  './usr/share/applications/com.kestrelon.Tabvale.desktop'
  './usr/share/metainfo/com.kestrelon.Tabvale.metainfo.xml'
  './usr/share/doc/tabvale/copyright'
  './usr/share/doc/tabvale/changelog.gz'
  './usr/share/man/man1/tabvale.1.gz'
)
for size in 16 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/tabvale.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "missing from the package: $path"
done

root=$work/root
dpkg-deb -x "$deb" "$root"

# Pedantic and informational tags are shown but do not fail; overrides are
# ignored so that none can hide a tag.
lintian_status=0
lintian --no-override --display-info --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 \
  || lintian_status=$?
echo "lintian $(basename "$deb"):"
cat "$work/lintian.log"
if [[ $lintian_status -ne 0 ]] || grep -q '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports errors or warnings (status $lintian_status)"
fi

# The newest changelog entry is the packaged version's.
version=$(dpkg-deb --field "$deb" Version)
logged=$(zcat "$root/usr/share/doc/tabvale/changelog.gz" | dpkg-parsechangelog --file - --show-field Version) \
  || fail "the packaged changelog does not parse"
[[ $logged == "$version" ]] || fail "the changelog's newest entry is $logged, the package is $version"

# The manual page renders without a complaint, and every file of the package
# it names is in the package (the skin is the user's own, never shipped).
manual=$(MANWIDTH=80 man --warnings --encoding=ascii --local-file "$root/usr/share/man/man1/tabvale.1.gz" 2>"$work/man.log") \
  || { cat "$work/man.log" >&2; fail "man cannot render the manual page"; }
[[ ! -s $work/man.log ]] || { cat "$work/man.log" >&2; fail "man warns about the manual page"; }
grep -q '^NAME' <<<"$manual" || fail "the manual page has no NAME section: $manual"
named=$(grep -oE '/usr/(lib|share/doc)/tabvale/[A-Za-z0-9_./-]*[A-Za-z0-9_]' <<<"$manual" | sort -u)
[[ -n $named ]] || fail "the manual page names none of the package's files"
while read -r path; do
  [[ $path == /usr/lib/tabvale/x/o.cjs ]] && continue
  grep -qxF ".$path" <<<"$contents" || fail "the manual page names $path, which the package lacks"
done <<<"$named"
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
