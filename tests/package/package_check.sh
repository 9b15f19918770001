#!/usr/bin/env bash
# Checks of the Debian package that cpack makes from a build.
# Usage: package_check.sh build DEB_DIR BUILD_DIR     make the package into DEB_DIR
#        package_check.sh CHECK DEB_DIR VERSION       CHECK: lintian, metainfo, desktop-entry, man-page
set -uo pipefail
check=${1:?usage: package_check.sh CHECK DEB_DIR VERSION|BUILD_DIR}
deb_dir=${2:?usage: package_check.sh CHECK DEB_DIR VERSION|BUILD_DIR}
fail() { echo "FAIL: $*" >&2; exit 1; }

if [[ $check == build ]]; then
  build=${3:?usage: package_check.sh build DEB_DIR BUILD_DIR}
  rm -rf "$deb_dir"
  cpack --config "$build/CPackConfig.cmake" -B "$deb_dir" >"$deb_dir.log" 2>&1 || { cat "$deb_dir.log"; fail "cpack"; }
  ls "$deb_dir"/orvex-programmer_*.deb || fail "cpack made no .deb"
  exit 0
fi

version=${3:?usage: package_check.sh CHECK DEB_DIR VERSION}
deb=$(ls "$deb_dir"/orvex-programmer_*.deb) || fail "no .deb in $deb_dir (the deb_build test makes it)"
work=$(mktemp -d /tmp/orvex-package-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"
only() {  # the one file matching a pattern under the scratch root
  # shellcheck disable=SC2206  # the pattern is a glob
  local found=("$root"/$1)
  [[ ${#found[@]} == 1 && -f ${found[0]} ]] || fail "want one $1 in the package, found: ${found[*]}"
  echo "${found[0]}"
}

case $check in
  lintian)
    # Every tag down to the informational ones is shown; only errors fail.
    # lintian leaves files in its temporary folder: it gets one of its own,
    # inside the work folder that the trap above removes.
    scratch=$work/lintian-tmp
    mkdir "$scratch" || fail "no temporary folder for lintian"
    TMPDIR=$scratch lintian --display-info --pedantic --tag-display-limit 0 --fail-on error "$deb" 2>&1 |
      grep -v 'running with root privileges'
    status=${PIPESTATUS[0]}
    ((status == 0)) || fail "lintian found errors in $(basename "$deb")"
    ;;
  metainfo)
    metainfo=$(only 'usr/share/metainfo/*.metainfo.xml') || exit 1
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $(basename "$metainfo")"
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
    [[ $(basename "$metainfo") == "$id.metainfo.xml" ]] || fail "the metainfo file is not named by its id $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the launchable is not $id.desktop"
    [[ -f $root/usr/share/applications/$id.desktop ]] || fail "no desktop entry $id.desktop for the launchable"
    grep -Eq "<release version=\"$version\" date=\"[0-9]{4}-[0-9]{2}-[0-9]{2}\"" "$metainfo" ||
      fail "no dated release $version in the metainfo"
    ;;
  desktop-entry)
    entry=$(only 'usr/share/applications/*.desktop') || exit 1
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $(basename "$entry")"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    exec=$(sed -n 's/^Exec=//p' "$entry")
    [[ -f $root/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "Icon=$icon is not in the hicolor theme"
    [[ -x $root/usr/bin/${exec%% *} ]] || fail "Exec=$exec is not in the package"
    ;;
  man-page)
    page=$root/usr/share/man/man1/orvex-programmer.1.gz
    [[ -s $page ]] || fail "no manual page orvex-programmer(1)"
    text=$(MANWIDTH=200 man -l "$page" 2>"$work/man.err" | col -b)
    [[ -s $work/man.err ]] && { cat "$work/man.err"; fail "man reports problems in the page"; }
    options=$(sed -n '/^OPTIONS/,/^[A-Z]/p' <<<"$text")
    [[ -n $options ]] ||
      fail "the page has no OPTIONS section (res/orvex-programmer.h2m starts it after the --help paragraph it names)"
    help=$("$root/usr/bin/orvex-programmer" --help) || fail "--help"
    listed=$(grep -E '^  --' <<<"$help" | grep -oE -- '--[a-z][a-z-]*' | sort -u)
    [[ -n $listed ]] || fail "found no options in --help"
    for option in $listed; do
      grep -Eq -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$options" || fail "OPTIONS does not mention $option"
    done
    grep -q "orvex-programmer $version" <<<"$text" || fail "the page is not for version $version"
    echo "OPTIONS mentions all of" "${listed//$'\n'/ }"
    ;;
  *) fail "unknown check $check" ;;
esac
echo "PASS: $check"
