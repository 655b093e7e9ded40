#!/usr/bin/env bash
# Builds the C test program against an installed liblumivex, as a user would: the header and the flags from
# pkg-config, nothing from the source tree. Usage: tests/lib/test_c_api.sh [PREFIX]
# PREFIX: where the library was installed (/usr, the default, or a staged install's .../usr).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(cd "${1:-/usr}" && pwd)
pc=$(find "$prefix/lib" -path '*pkgconfig/lumivex.pc' -print -quit)
[ -n "$pc" ] || { echo "no lumivex.pc under $prefix/lib" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

config() { PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --define-variable=prefix="$prefix" "$@" lumivex; }
echo "lumivex $(config --modversion): $(config --cflags --libs)"
# shellcheck disable=SC2046 # the flags are separate words
cc -std=c11 -Wall -Wextra -Werror -o "$work/c_api_test" "$here/c_api_test.c" $(config --cflags --libs)
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror -o "$work/c_api_threads" "$here/c_api_threads.c" $(config --cflags --libs) -lpthread
export LD_LIBRARY_PATH="$(config --variable=libdir)${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
"$work/c_api_test" "$here/../data/photos" "$work"
"$work/c_api_threads" "$here/../data/photos" "$work"
