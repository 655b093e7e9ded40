#!/usr/bin/env bash
# Runs one benchmark case over the photos of a fresh copy of the corpus. Exit statuses of the tools are
# ignored here (exiv2 -et returns a byte count, a photo without Exif has nothing to export); measure.py
# checks the files afterwards instead.
#   case.sh CASE RUN_DIR CORPUS_DIR LUMIVEX
# RUN_DIR holds photos/ (edited in place) and out/ (copies and exported thumbnails).
set -uo pipefail
name=$1 run=$2 corpus=$3 lumivex=$4
photos=("$run"/photos/*.jpg)
out=$run/out
thumb=$corpus/new-thumb.jpg
thumbs=$corpus/exiv2-thumbs # NAME-thumb.jpg for every photo, where exiv2 -it looks for them

thumb_for() { # sets $to to the exported thumbnail's path for photo $1; "$(...)" would fork a shell per photo
    local name=${1##*/}
    to="$out/${name%.jpg}-thumb.jpg"
}

each() { # each COMMAND...: one process per photo, the photo appended
    local f
    for f in "${photos[@]}"; do "$@" "$f" 2>/dev/null; done
}

case $name in
cp-each) for f in "${photos[@]}"; do /bin/cp "$f" "$out/"; done ;;
cp-many) /bin/cp -t "$out" "${photos[@]}" ;;
cp-pair) # two copies side by side, each of half the photos: the floor for two workers
    half=$((${#photos[@]} / 2))
    /bin/cp -t "$out" "${photos[@]:0:half}" &
    /bin/cp -t "$out" "${photos[@]:half}"
    wait
    ;;

lumivex-replace-each) for f in "${photos[@]}"; do "$lumivex" replace "$f" "$thumb" 2>/dev/null; done ;;
lumivex-replace-many) "$lumivex" replace -t "$thumb" "${photos[@]}" 2>/dev/null ;;
lumivex-delete-each) for f in "${photos[@]}"; do "$lumivex" delete "$f" 2>/dev/null; done ;;
lumivex-delete-many) "$lumivex" delete "${photos[@]}" 2>/dev/null ;;
# The batch modes: "many" above runs the default workers (one per core); -j 1 and -j 2 fix the count, -r
# walks the folder instead of taking the list.
lumivex-replace-j1) "$lumivex" replace -j 1 -t "$thumb" "${photos[@]}" 2>/dev/null ;;
lumivex-replace-j2) "$lumivex" replace -j 2 -t "$thumb" "${photos[@]}" 2>/dev/null ;;
lumivex-delete-j1) "$lumivex" delete -j 1 "${photos[@]}" 2>/dev/null ;;
lumivex-delete-j2) "$lumivex" delete -j 2 "${photos[@]}" 2>/dev/null ;;
lumivex-delete-walk) "$lumivex" delete -r "$run/photos" 2>/dev/null ;;
lumivex-export-j1)
    pairs=()
    for f in "${photos[@]}"; do
        thumb_for "$f"
        pairs+=("$f" "$to")
    done
    "$lumivex" export -j 1 "${pairs[@]}" 2>/dev/null
    ;;
lumivex-export-each)
    for f in "${photos[@]}"; do
        thumb_for "$f"
        "$lumivex" export "$f" "$to" 2>/dev/null
    done
    ;;

lumivex-export-many)
    pairs=()
    for f in "${photos[@]}"; do
        thumb_for "$f"
        pairs+=("$f" "$to")
    done
    "$lumivex" export "${pairs[@]}" 2>/dev/null
    ;;

exiv2-replace-each) for f in "${photos[@]}"; do /usr/bin/exiv2 -it -l "$thumbs" "$f" 2>/dev/null; done ;;
exiv2-replace-many) /usr/bin/exiv2 -it -l "$thumbs" "${photos[@]}" 2>/dev/null ;;
exiv2-delete-each) for f in "${photos[@]}"; do /usr/bin/exiv2 -dt "$f" 2>/dev/null; done ;;
exiv2-delete-many) /usr/bin/exiv2 -dt "${photos[@]}" 2>/dev/null ;;
exiv2-export-each) for f in "${photos[@]}"; do /usr/bin/exiv2 -et -l "$out" "$f" 2>/dev/null; done ;;
exiv2-export-many) /usr/bin/exiv2 -et -l "$out" "${photos[@]}" 2>/dev/null ;;

exiftool-replace-each) each /usr/bin/exiftool -q -q "-ThumbnailImage<=$thumb" ;;
exiftool-replace-many) /usr/bin/exiftool -q -q "-ThumbnailImage<=$thumb" "${photos[@]}" ;;
exiftool-delete-each) each /usr/bin/exiftool -q -q "-ThumbnailImage=" ;;
exiftool-delete-many) /usr/bin/exiftool -q -q "-ThumbnailImage=" "${photos[@]}" ;;
exiftool-export-each)
    for f in "${photos[@]}"; do
        thumb_for "$f"
        /usr/bin/exiftool -q -q -b -ThumbnailImage "$f" >"$to"
    done
    ;;
exiftool-export-many) /usr/bin/exiftool -q -q -b -ThumbnailImage -w "$out/%f-thumb.jpg" "${photos[@]}" ;;
*)
    echo "case.sh: unknown case $name" >&2
    exit 2
    ;;
esac >/dev/null
exit 0
