#!/usr/bin/env bash
# Renders the SVG sources in svg/ and writes the window icons (icons/*.ico) and the PNGs (png/) of the Qt window
# and of the installed desktop entry.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
"$root/tools/install-packages.sh" librsvg2-bin python3

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

render() { # svg name, size
    rsvg-convert --width "$2" --height "$2" --keep-aspect-ratio --background-color none \
        "$here/svg/$1.svg" --output "$work/$1-$2.png"
}

for size in 16 32 48 128 256; do render app-104 "$size"; done
for name in replace-105 delete-106 save-107; do render "$name" 32; done

mkdir -p "$here/icons" "$here/png"
pack="python3 $here/pack_ico.py"
a="$work/app-104"
$pack "$here/icons/app-104.ico" "$a-16.png:32" "$a-32.png:32" "$a-48.png:32" "$a-128.png:32" "$a-256.png:32png"
for name in replace-105 delete-106 save-107; do
    $pack "$here/icons/$name.ico" "$work/$name-32.png:8" "$work/$name-32.png:32"
done

$pack --png "$a-256.png" "$here/png/icon-104-256.png"
# The application icon at every size the desktop's hicolor theme is installed with.
for size in 16 32 48; do $pack --png "$a-$size.png" "$here/png/icon-104-$size.png"; done
for name in replace-105 delete-106 save-107; do
    $pack --png "$work/$name-32.png" "$here/png/icon-${name#*-}-32.png"
done
echo "Icons written to $here/icons and $here/png"
