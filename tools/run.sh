#!/usr/bin/env bash
# Installs what is missing, builds the release programs and opens the Lumivex window (a photo given as the
# argument goes into its source pane); without a display it prints what the command-line tool reads from the
# sample photo instead.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh build-essential cmake libjpeg62-turbo-dev libfmt-dev libfreetype-dev pkgconf qt6-base-dev qt6-tools-dev \
    qt6-l10n-tools qt6-translations-l10n fonts-ipafont-gothic fonts-dejavu-core
# A Wayland session without X may have no other way to show a Qt window.
if [ -n "${WAYLAND_DISPLAY:-}" ]; then tools/install-packages.sh qt6-wayland; fi
# Its own build folder: the release preset without the window stays free of Qt.
cmake --preset release -B build/run -DLUMIVEX_QT=ON >/dev/null
# The first build takes minutes on a small machine: its progress shows; later ones only rebuild what changed.
echo "Building build/run/app/qt/lumivex-gui and build/run/cli/lumivex"
cmake --build build/run -j"$(nproc)" --target lumivex lumivex-gui
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/run/app/qt/lumivex-gui "$@"
fi
sample=tests/data/photos/canon-40d.jpg
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot open here."
echo "lumivex info $sample"
build/run/cli/lumivex info "$sample"
