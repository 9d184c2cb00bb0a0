#!/usr/bin/env bash
# Installs what is missing, builds everything with the sanitizers and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh --tests
cmake -S . -B build/tests -DCMAKE_BUILD_TYPE=Debug -DKOVARA_BUILD_TESTS=ON -DKOVARA_SANITIZE=ON >/dev/null
cmake --build build/tests --parallel "$(nproc)"

# The real-server suite runs against the login in KOVARA_TEST_ODBC when it is set (a user's own
# SQL Server); otherwise against the SQL Server-compatible test server beside the project, when
# there is one. With neither, those tests report themselves skipped.
if [ -z "${KOVARA_TEST_ODBC:-}" ] && [ -f ../shared/test-sql-server/start ]; then
  eval "$(bash ../shared/test-sql-server/start)"
fi

# The Windows build, when the Qt cross-built for it is beside the project: the zip,
# which the tests below unpack and run under Wine.
if [ -d ../shared/qt6-mingw ]; then
  ./scripts/build-windows.sh
  KOVARA_WINDOWS_ZIP=$(ls "$PWD"/build/windows/KovaraConverter-*-win64.zip)
  export KOVARA_WINDOWS_ZIP
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
(cd build/tests && ctest --output-on-failure --timeout 300 --parallel "$(nproc)" --label-exclude windows)
# The Windows build under Wine, after the rest and on its own, so that Wine and the
# server suite do not compete for the machine and the server.
if [ -n "${KOVARA_WINDOWS_ZIP:-}" ]; then
  (cd build/tests && ctest --output-on-failure --label-regex windows)
fi

# The parsers of outside input, under libFuzzer: about 30 s a target.
./scripts/run-fuzzers.sh "${KOVARA_FUZZ_SECONDS:-30}"

# The Debian package: contents, dependencies, and the unpacked program showing its window.
./scripts/check-package.sh
