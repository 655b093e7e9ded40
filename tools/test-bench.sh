#!/usr/bin/env bash
# Runs the benchmark once on a tiny corpus to prove that it still works: it fails when a case cannot run or
# a tool did not do its job, never because of a time.
set -euo pipefail
cd "$(dirname "$0")/.."
bench/run --tiny
