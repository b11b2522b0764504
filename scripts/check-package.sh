#!/usr/bin/env bash
# Installs the Debian package that `make package` built with apt, as a user would, and
# checks the result: songkite-cli answers --version and --help from PATH, the desktop
# entry, the metainfo, the icon and the man page are in place, and desktop-file-validate
# and appstreamcli accept them. Needs root or sudo (apt installs system-wide).
#
#   scripts/check-package.sh [BUILD_DIR]      (default: build; runs `make package` first)
# Afterwards: `sudo apt-get remove songkite` takes the package away again.
set -euo pipefail

cd "$(dirname "$0")/.."
build_dir="${1:-build}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The package of what is built now, never an older one.
make package BUILD_DIR="$build_dir"
deb="$(ls -t "$build_dir"/songkite_*.deb | head -n 1)"
deb="$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
echo "check-package: installing $deb"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

failures=0
check() {
  local what="$1"; shift
  if "$@" >/dev/null 2>&1; then
    echo "  ok    $what"
  else
    echo "  FAIL  $what"
    failures=$((failures + 1))
  fi
}

id=jp.songkite.songkite
version="$(dpkg-deb -f "$deb" Version)"
echo "check-package: songkite $version"
# A fresh shell, so that only PATH finds the program.
check "songkite-cli is on PATH"              env -i PATH=/usr/local/bin:/usr/bin:/bin sh -c 'command -v songkite-cli'
check "songkite is on PATH"                  env -i PATH=/usr/local/bin:/usr/bin:/bin sh -c 'command -v songkite'
check "songkite-cli --version says $version" sh -c "[ \"\$(songkite-cli --version)\" = '$version' ]"
check "songkite-cli --help"                  sh -c 'songkite-cli --help | grep -q "^Usage: songkite-cli"'
check "the bridge's scripts folder"          test -d /usr/share/songkite/scripts
check "the desktop entry"                    test -f /usr/share/applications/$id.desktop
check "the icon"                             test -f /usr/share/icons/hicolor/scalable/apps/$id.svg
check "the metainfo"                         test -f /usr/share/metainfo/$id.metainfo.xml
check "man songkite-cli"                     sh -c 'man -w songkite-cli | grep -q "/usr/share/man/man1/songkite-cli.1"'
check "desktop-file-validate"                desktop-file-validate /usr/share/applications/$id.desktop
check "appstreamcli validate"                appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml

if [ "$failures" -ne 0 ]; then
  echo "check-package: $failures check(s) failed"
  exit 1
fi
echo "check-package: all checks passed"
