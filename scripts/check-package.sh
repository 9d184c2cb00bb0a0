#!/usr/bin/env bash
# Builds the .deb, checks its contents and dependencies, unpacks it into a
# scratch root and starts the unpacked program under a virtual X server until
# its window shows.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target KovaraConverter >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/kovaraconverter_*.deb)
echo "package: $deb"

fail() { echo "check-package: $*" >&2; exit 1; }

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/KovaraConverter ./usr/share/applications/kovaraconverter.desktop \
            ./usr/share/icons/hicolor/scalable/apps/kovaraconverter.svg \
            ./usr/share/icons/hicolor/48x48/apps/kovaraconverter.png; do
  grep -q " $path\$" <<<"$contents" || fail "missing $path"
done

depends=$(dpkg-deb --field "$deb" Depends)
echo "depends: $depends"
for dep in libqt6widgets6 libqt6core6 libodbc2 tdsodbc; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep"
done
[ "$(dpkg-deb --field "$deb" Version)" = "1.0.0.6" ] || fail "wrong version"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/kovaraconverter.desktop"

# Start it the way the launcher does, on a virtual display of its own, and
# wait for its window.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/kovaraconverter.desktop")
QT_QPA_PLATFORM=xcb PATH="$root/usr/bin:$PATH" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" >"$1/app.log" 2>&1 &
  app=$!
  for _ in $(seq 1 100); do
    if xdotool search --name "Conversão de Dados" >/dev/null 2>&1; then
      kill "$app"; wait "$app" 2>/dev/null
      exit 0
    fi
    kill -0 "$app" 2>/dev/null || break
    sleep 0.2
  done
  kill "$app" 2>/dev/null
  cat "$1/app.log" >&2
  exit 1
' "$exec_line" "$root" || fail "the installed program did not show its window"
echo "the installed program shows its window"
