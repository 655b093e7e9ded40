#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the engine, the command-line tool and
# the Qt window natively under sanitizers; the Windows programs under wine; the fuzz targets briefly;
# the benchmark once on a tiny corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-packages.sh build-essential cmake libgtest-dev libimage-exiftool-perl exiv2 python3 file \
    libjpeg62-turbo-dev libjpeg-turbo-progs imagemagick \
    qt6-base-dev qt6-tools-dev qt6-l10n-tools fonts-ipafont-gothic xfsprogs

echo "== native build and tests (ASan + UBSan)"
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)"
ctest --preset dev -j"$(nproc)"

# The other suites add themselves here as they come.
for suite in tools/test-*.sh; do
    [ -e "$suite" ] || continue
    echo "== $suite"
    "$suite"
done
