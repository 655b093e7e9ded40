#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one briefly from the committed corpus, with the
# dictionary; any crash, leak, timeout or sanitizer report fails the run and leaves its input in
# build/fuzz/artifacts/<target>/. FUZZ_SECONDS sets the time per target (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-packages.sh clang libclang-rt-14-dev cmake make libfmt-dev libfreetype-dev pkgconf

seconds="${FUZZ_SECONDS:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target fuzz_segment_reader fuzz_exif_segment fuzz_round_trip fuzz_photo_value fuzz_previews

status=0
for target in segment_reader exif_segment round_trip photo_value previews; do
    work="build/fuzz/work/$target"
    artifacts="build/fuzz/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    # The photo value reads whole files, as the segment reader does: it starts from that corpus.
    corpus="fuzz/corpus/$target"
    [ "$target" = photo_value ] && corpus=fuzz/corpus/segment_reader
    echo "== fuzz_$target for ${seconds}s"
    # The engine's own reports go to standard error by design; closing it for the target keeps the run fast
    # while libFuzzer still prints its findings.
    if ! build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -close_fd_mask=3 -dict=fuzz/jpeg_exif.dict -artifact_prefix="$artifacts/" \
        "$work" "$corpus" >"build/fuzz/$target.log" 2>&1; then
        echo "fuzz_$target found a problem; input and report:"
        tail -n 60 "build/fuzz/$target.log"
        # The input itself, so that a finding on a machine that is gone can be replayed here.
        for input in "$artifacts"/*; do
            [ -f "$input" ] || continue
            echo "input $(basename "$input"), $(stat -c %s "$input") bytes, base64 (first 48 KiB):"
            head -c 49152 "$input" | base64 -w0
            echo
        done
        status=1
    else
        grep -E 'DONE|^Done' "build/fuzz/$target.log" || true
    fi
done
exit $status
