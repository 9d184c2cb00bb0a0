#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(cmake g++ make qt6-base-dev unixodbc-dev odbcinst tdsodbc libsqliteodbc libgtest-dev
          libgmock-dev)
# The Windows build: the MinGW-w64 cross-compiler, icotool for the program's icon, and
# markdown_py for the guide, which the zip carries as HTML.
windows=(g++-mingw-w64-x86-64-posix mingw-w64-tools icoutils ninja-build python3-markdown)
case "${1:-}" in
  --windows)
    packages+=("${windows[@]}")
    ;;
  --tests)
    # Wine runs the Windows build; xclip reads its window's log through the clipboard;
    # Chromium renders a run's report.
    packages+=(clang libclang-rt-14-dev xvfb xauth xdotool desktop-file-utils shared-mime-info dpkg-dev
               "${windows[@]}" wine64 fonts-wine xclip chromium)
    ;;
  --pictures)
    # The guide's pictures: a virtual display, a terminal, a screen grabber, the
    # TDS client that sets up the sample shop, the toolkit's Portuguese texts, and a browser for a report.
    packages+=(xvfb xauth xdotool xterm imagemagick fonts-dejavu-core freetds-bin qt6-translations-l10n chromium)
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "A instalar: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The driver packages normally register themselves; make sure unixODBC knows FreeTDS and SQLite3.
register() {
  local name=$1 lib=$2
  odbcinst -q -d -n "$name" >/dev/null 2>&1 && return 0
  local path
  path=$(find /usr/lib -name "$lib" -print -quit 2>/dev/null || true)
  [ -n "$path" ] || return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  printf '[%s]\nDescription=%s\nDriver=%s\n' "$name" "$name" "$path" > /tmp/kovara-odbcinst.$$
  $sudo odbcinst -i -d -f /tmp/kovara-odbcinst.$$ >/dev/null
  rm -f /tmp/kovara-odbcinst.$$
}
register FreeTDS libtdsodbc.so
register SQLite3 libsqlite3odbc.so
