#!/usr/bin/env bash
# Cross-compiles the program for 64-bit Windows with MinGW-w64 and the Qt
# beside the project (../shared/qt6-mingw, or KOVARA_QT_MINGW_DIR), warnings
# as errors, and packs build/windows/KovaraConverter-<version>-win64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."

qt_dir=$(realpath -m "${KOVARA_QT_MINGW_DIR:-../shared/qt6-mingw}")
archive=$qt_dir/qt-6.4.2-mingw-w64-x86_64-posix.tar.xz
[ -f "$archive" ] || { echo "build-windows: $archive is missing" >&2; exit 1; }

./scripts/install-deps.sh --windows

# The archive is read-only where it lies: unpack it into the build tree, again
# only when it has changed.
qt=$PWD/build/qt6-mingw
stamp=$qt/.unpacked-from
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$(stat -c '%s %Y' "$archive")" ]; then
  rm -rf "$qt"
  mkdir -p build
  tar -xJf "$archive" -C build
  stat -c '%s %Y' "$archive" > "$stamp"
fi

cmake -G Ninja -S . -B build/windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$qt_dir/toolchain.cmake" -DKOVARA_QT_MINGW="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
cmake --build build/windows --parallel "$(nproc)"
rm -f build/windows/KovaraConverter-*-win64.zip
(cd build/windows && cpack -G ZIP >/dev/null)
zip=$(ls "$PWD"/build/windows/KovaraConverter-*-win64.zip)
# The guide is a page of its own with its pictures beside it.
listing=$(cd build/windows && cmake -E tar tf "$zip")
for picture in $(sed -n 's/.*](\(guia\/[^)]*\.png\)).*/\1/p' docs/guia.md) guia.html; do
  grep -q "/$picture\$" <<<"$listing" || { echo "build-windows: the zip lacks $picture" >&2; exit 1; }
done
echo "$zip"
