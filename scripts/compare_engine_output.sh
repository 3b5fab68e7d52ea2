#!/usr/bin/env bash
# Dumps, renders and saves as XM every corpus and conformance module with a built cantorwright, so a refactor
# can be checked byte for byte against an earlier build.
#   scripts/compare_engine_output.sh record  DIR [CLI]   write dumps and WAVs into DIR
#   scripts/compare_engine_output.sh compare DIR [CLI]   compare a fresh run against DIR
set -u
mode=${1:?record or compare}
ref=${2:?directory}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${3:-$root/build/ci/src/cantorwright}
shared=${CW_SHARED:-$root/../shared}

out=$ref
if [ "$mode" = compare ]; then out=$(mktemp -d); trap 'rm -rf "$out"' EXIT; fi
mkdir -p "$out"

modules=()
for f in "$shared"/corpus/* "$shared"/conformance/xm/*; do
    case "${f,,}" in *.xm|*.mod|*.s3m|*.it) modules+=("$f") ;; esac
done

fail=0
for f in "${modules[@]}"; do
    tag=$(basename "$(dirname "$f")")_$(basename "$f")
    "$cli" --dump "$f" >"$out/$tag.dump" 2>/dev/null
    echo "dump exit $?" >>"$out/$tag.dump"
    "$cli" --render "$f" --output "$out/$tag.wav" >/dev/null 2>&1
    echo "render exit $?" >"$out/$tag.rc"
    "$cli" --convert "$f" --output "$out/$tag.saved.xm" >/dev/null 2>&1
    echo "convert exit $?" >>"$out/$tag.rc"
    if [ "$mode" = compare ]; then
        for ext in dump wav rc saved.xm; do
            if [ -e "$ref/$tag.$ext" ] || [ -e "$out/$tag.$ext" ]; then
                cmp -s "$ref/$tag.$ext" "$out/$tag.$ext" || { echo "DIFFERS: $tag.$ext"; fail=1; }
            fi
        done
    fi
done
echo "${#modules[@]} modules, mode $mode: $([ $fail = 0 ] && echo identical || echo DIFFERENT)"
exit $fail
