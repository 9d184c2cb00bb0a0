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
            ./usr/share/applications/kovaraconverter-ligacao.desktop \
            ./usr/share/mime/packages/kovaraconverter-udl.xml \
            ./usr/share/icons/hicolor/scalable/apps/kovaraconverter.svg \
            ./usr/share/icons/hicolor/48x48/apps/kovaraconverter.png; do
  grep -q " $path\$" <<<"$contents" || fail "missing $path"
done

# The technician's guide, and every picture it shows.
doc=./usr/share/doc/kovaraconverter
grep -q " $doc/guia.md\$" <<<"$contents" || fail "missing $doc/guia.md"
pictures=$(sed -n 's/.*](\(guia\/[^)]*\.png\)).*/\1/p' docs/guia.md)
[ -n "$pictures" ] || fail "docs/guia.md shows no pictures"
for picture in $pictures; do
  grep -q " $doc/$picture\$" <<<"$contents" || fail "the guide's picture $picture is not in the package"
done
echo "guide: $doc/guia.md with $(wc -w <<<"$pictures") pictures"

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
launcher="$root/usr/share/applications/kovaraconverter-ligacao.desktop"
desktop-file-validate "$launcher"

# The .udl type: the package's entry, compiled as the shared-mime-info trigger
# compiles it, must give *.udl the type the editor's launcher opens.
mime="$root/mime"
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/kovaraconverter-udl.xml" "$mime/packages/"
XDG_DATA_HOME="$root" update-mime-database "$mime"
udl_type=$(awk -F: '$3 == "*.udl" { print $2 }' "$mime/globs2")
[ "$udl_type" = "application/x-udl" ] || fail "*.udl is not application/x-udl in the MIME entry (got '$udl_type')"
if awk -F: '$3 == "*.udl" && $2 != "application/x-udl"' /usr/share/mime/globs2 2>/dev/null | grep -q .; then
  fail "the system's MIME database gives *.udl another type, which may win"
fi
grep -qx "MimeType=application/x-udl;" "$launcher" || fail "the editor's launcher does not open application/x-udl"
editor_exec=$(sed -n 's/^Exec=//p' "$launcher")
[ "$editor_exec" = "KovaraConverter --ligacao %f" ] || fail "the editor's launcher runs '$editor_exec'"

# Runs a command from the unpacked package on a virtual display of its own
# until a window with the title shows; prints the command's output if none does.
shows_window() {
  local title=$1 log=$2; shift 2
  QT_QPA_PLATFORM=xcb PATH="$root/usr/bin:$PATH" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    title=$1 log=$2; shift 2
    "$@" >"$log" 2>&1 &
    app=$!
    for _ in $(seq 1 100); do
      if xdotool search --name "$title" >/dev/null 2>&1; then
        kill "$app"; wait "$app" 2>/dev/null
        exit 0
      fi
      kill -0 "$app" 2>/dev/null || break
      sleep 0.2
    done
    kill "$app" 2>/dev/null
    cat "$log" >&2
    exit 1
  ' bash "$title" "$log" "$@"
}

# Start it the way the launcher does, and wait for its window.
read -ra exec_line <<<"$(sed -n 's/^Exec=//p' "$root/usr/share/applications/kovaraconverter.desktop")"
shows_window "Conversão de Dados" "$root/app.log" "${exec_line[@]}" ||
  fail "the installed program did not show its window"
echo "the installed program shows its window"

# A double-click on a .udl: the launcher's command with the file, here a new one.
udl="$root/nova ligação.udl"
read -ra editor_line <<<"${editor_exec/\%f/}"
shows_window "Propriedades da ligação de dados - nova ligação.udl" "$root/editor.log" "${editor_line[@]}" "$udl" ||
  fail "the launcher did not open the data link editor"
[ ! -e "$udl" ] || fail "opening the editor wrote the file before OK"
echo "the editor's launcher opens a .udl file"
