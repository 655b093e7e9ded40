#!/usr/bin/env bash
# Builds the Debian package and the Windows zip (tools/package.sh --windows) and checks them as a user would
# meet them: the package unpacked into a staging folder (dpkg -x; nothing is installed on this machine), its
# programs, manual page, desktop entry and completion tried, lintian without errors; the zip's list of files,
# and the tool run under wine from the unpacked zip. LUMIVEX_PACKAGE_WINDOWS=0 leaves the zip out.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-packages.sh build-essential cmake libfmt-dev qt6-base-dev dpkg-dev lintian desktop-file-utils man-db \
    groff-base bash-completion file
windows=${LUMIVEX_PACKAGE_WINDOWS:-1}
if [ "$windows" = 1 ]; then
    tools/install-packages.sh g++-mingw-w64-x86-64 mingw-w64-tools googletest wine wine64 unzip
    tools/package.sh --windows
else
    tools/package.sh
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

version=$(sed -n 's/^#define LUMIVEX_VERSION "\(.*\)"$/\1/p' build/package/generated/lumivex_version.h)

echo "== Debian package"
debs=(build/package/lumivex_"$version"_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single package lumivex_${version}_*.deb" >&2; exit 1; }
deb=${debs[0]}
echo "$deb"
dpkg-deb --field "$deb" Package Version Section Depends Maintainer
dpkg-deb --contents "$deb"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6; do
    [[ $depends == *"$library"* ]] || fail "Depends does not name $library: $depends"
done
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "package version is not $version"
# apt would install it with what it depends on (a simulation: nothing changes on this machine).
apt-get install --simulate "./$deb" >"$work/apt" 2>&1 && pass "apt can install $deb" ||
    fail "apt cannot install $deb: $(tail -n 3 "$work/apt")"

stage=$work/stage
dpkg-deb --extract "$deb" "$stage"
shown=$("$stage/usr/bin/lumivex" --version)
[ "$shown" = "lumivex $version" ] && pass "lumivex --version: $shown" ||
    fail "lumivex --version printed '$shown', not 'lumivex $version'"
[ -x "$stage/usr/bin/lumivex-gui" ] || fail "lumivex-gui is not installed"
# The library as a C program and a Python program meet it: the header and flags from the package's pkg-config.
tests/lib/test_c_api.sh "$stage/usr" >"$work/c-api" 2>&1 && pass "C test program against the package's liblumivex" ||
    fail "C test program against the package: $(tail -n 5 "$work/c-api")"
LD_LIBRARY_PATH="$stage/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" PYTHONPATH="$stage/usr/lib/python3/dist-packages" \
    /usr/bin/python3 -c "import lumivex, sys; sys.exit(lumivex.read('tests/data/photos/canon-40d.jpg').thumbnail is None)" &&
    pass "python3 imports the package's lumivex module" || fail "the package's Python module does not work"

for page in lumivex lumivex-gui; do
    file=$stage/usr/share/man/man1/$page.1.gz
    # Warnings of groff (bad macros, lines that cannot be set) count as failures too.
    rendered=$(MANWIDTH=80 man --warnings -l "$file" 2>"$work/man-warnings") || fail "man -l $file failed"
    if [ -s "$work/man-warnings" ]; then fail "man -l $file warns: $(cat "$work/man-warnings")"; fi
    grep -q "^NAME" <<<"$rendered" && grep -q "lumivex $version" <<<"$rendered" &&
        pass "man -l $page.1.gz renders, version $version" || fail "man -l $file lacks NAME or the version"
done

desktop=$stage/usr/share/applications/lumivex.desktop
desktop-file-validate "$desktop" && pass "desktop-file-validate $desktop" || fail "desktop-file-validate $desktop"
for size in 16 32 48 256; do
    icon=$stage/usr/share/icons/hicolor/${size}x$size/apps/lumivex.png
    file -b "$icon" | grep -q "PNG image data, $size x $size" || fail "$icon is not a $size px PNG"
done

echo "== lintian"
# Errors fail the test; warnings and information are listed.
lintian --display-info --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
cat "$work/lintian"
grep -q '^E: ' "$work/lintian" && fail "lintian reports errors"
grep -q '^E: \|^W: \|^I: \|^N: \|^P: ' "$work/lintian" || pass "lintian has nothing to say"

echo "== manual page, completion and --help"
"$stage/usr/bin/lumivex" --help >"$work/help"
gzip -dc "$stage/usr/share/man/man1/lumivex.1.gz" >"$work/lumivex.1"
completion=$stage/usr/share/bash-completion/completions/lumivex
packaging/check-help.sh "$stage/usr/bin/lumivex" "$work/lumivex.1" "$completion" ||
    fail "--help, manual page and completion differ from the tool's table"

# The completion asks the installed tool: `lumivex re<TAB>` offers exactly the commands of --help that begin
# with "re", and `lumivex check --s<TAB>` the one option of check that does.
expected=$(awk '/^Commands:/ {c = 1; next} c && /^$/ {exit} c && /^  [a-z]/ {print $1}' "$work/help" |
    grep '^re' | sort -u | tr '\n' ' ')
complete_words() {
    PATH="$stage/usr/bin:$PATH" bash --norc -c \
        'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _lumivex; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$completion" "$@" | sort -u | tr '\n' ' '
}
offered=$(complete_words lumivex re)
[ -n "$expected" ] && [ "$offered" = "$expected" ] && pass "lumivex re<TAB> completes to: $offered" ||
    fail "lumivex re<TAB> completes to '$offered', not '$expected'"
offered=$(complete_words lumivex check --s)
[ "$offered" = "--sheet " ] && pass "lumivex check --s<TAB> completes to: $offered" ||
    fail "lumivex check --s<TAB> completes to '$offered', not '--sheet'"

if [ "$windows" = 1 ]; then
    echo "== Windows zip"
    zip=build/windows/lumivex-$version-windows-x64.zip
    unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/zip-files"
    cat "$work/zip-files"
    printf '%s\n' Lumivex.exe README.txt cli/lumivex.exe | sort >"$work/zip-expected"
    diff "$work/zip-expected" "$work/zip-files" >/dev/null && pass "the zip holds exactly the two programs and README.txt" ||
        fail "the zip holds $(tr '\n' ' ' <"$work/zip-files"), not $(tr '\n' ' ' <"$work/zip-expected")"
    unzip -q "$zip" -d "$work/zip"

    # The Windows tests' wine prefix is reused (made here if they have not run yet); a console program needs
    # no X server.
    export WINEPREFIX="$root/build/wineprefix" WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winebrowser.exe=d"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        DISPLAY= wineboot -i >/dev/null 2>&1 || true
    fi
    shown=$(cd "$work/zip" && DISPLAY= wine cli/lumivex.exe --version 2>/dev/null | tr -d '\r') || true
    wineserver -w || true
    [ "$shown" = "lumivex $version" ] && pass "wine cli/lumivex.exe --version: $shown" ||
        fail "wine cli/lumivex.exe --version printed '$shown', not 'lumivex $version'"
fi

if [ $failures -gt 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "All package checks passed"
