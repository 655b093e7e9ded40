#!/usr/bin/env bash
# The library's suites, on the installed files: builds liblumivex, the Python module and the tool without
# sanitizers (build/python), installs them into a staging folder, builds the C test program there with
# pkg-config, and runs the module's pytest tests (the Dask runner's on a LocalCluster of two processes).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-packages.sh build-essential cmake pkgconf libjpeg-dev libfmt-dev libfreetype-dev python3-dev pybind11-dev python3-pybind11 \
    python3-pytest python3-distributed python3-fsspec libimage-exiftool-perl

# Debian's Python, which has Debian's pybind11, distributed and fsspec, whatever else is first on PATH.
python=/usr/bin/python3
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
cmake -S . -B build/python -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DLUMIVEX_TESTS=OFF \
    -DLUMIVEX_QT=OFF -DLUMIVEX_FUZZ_REPLAY=OFF -DLUMIVEX_PYTHON=ON -DPython3_EXECUTABLE="$python" >/dev/null
cmake --build build/python -j2 --target lumivex lumivex_library lumivex_python

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Only the library's and the module's files: the rest of the package needs the window and the manual pages.
cmake --install build/python --prefix "$stage/usr" --component library >/dev/null

echo "== C interface from the installed header and pkg-config"
tests/lib/test_c_api.sh "$stage/usr"

echo "== Python module"
libdir=$(dirname "$(find "$stage/usr/lib" -name 'liblumivex.so.1' -print -quit)")
export LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export PYTHONPATH="$stage/usr/lib/python3/dist-packages"
export LUMIVEX_TOOL="$root/build/python/cli/lumivex"
# -p no:cacheprovider: nothing written into the source tree. Exit 5 (nothing collected) fails too.
"$python" -m pytest -q -p no:cacheprovider tests/python
