#!/usr/bin/env bash
# Lays a fresh copy of the corpus photos in RUN_DIR (not timed), then flushes dirty pages so that every
# timed run starts with the same amount of writing pending.
#   fresh.sh RUN_DIR CORPUS_DIR
set -euo pipefail
run=$1 corpus=$2
rm -rf "$run"
mkdir -p "$run/out"
/bin/cp -r "$corpus/photos" "$run/photos"
sync
