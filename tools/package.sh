#!/usr/bin/env bash
# Builds the Debian package build/package/lumivex_VERSION_ARCH.deb (both programs, manual pages, desktop entry,
# icons, completion) with Debian's hardening flags; with --windows, also the Windows zip in build/windows.
# Install the result with: apt install ./build/package/lumivex_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
[ "${1:-}" = "--windows" ] && windows=1

tools/install-packages.sh build-essential cmake qt6-base-dev dpkg-dev file python3-dev pybind11-dev libfmt-dev \
    libfreetype-dev pkgconf

# The compiler and linker flags every Debian package is built with (dpkg-buildflags), hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DLUMIVEX_TESTS=OFF -DLUMIVEX_QT=ON -DLUMIVEX_FUZZ_REPLAY=OFF \
    -DLUMIVEX_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3 \
    -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build/package -j2
(cd build/package && cpack -G DEB)

if [ $windows -eq 1 ]; then
    tools/install-packages.sh g++-mingw-w64-x86-64 mingw-w64-tools googletest
    # The Windows preset's build folder, shared with the Windows tests; only the two programs are built here.
    LC_ALL=C.UTF-8 cmake --preset windows --no-warn-unused-cli -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
    LC_ALL=C.UTF-8 cmake --build --preset windows -j2 --target Lumivex lumivex
    (cd build/windows && cpack -G ZIP)
fi
