#!/usr/bin/env bash
# `qev3ds convert FOLDER --to glb -r -j N` against a loop of `assimp export`
# over the same files: the real-world models of Debian's assimp-testmodels
# (3DS, OBJ, glTF 2.0 and STL), all to GLB. Prints the wall time of each,
# the best of a few runs with the files in the page cache, and the ratio.
# Never a test: the figures depend on the machine.
#
#   bench/batch_bench.sh QEV3DS [MODELS] [JOBS] [RUNS]
#
# QEV3DS: the tool (build/release/tools/qev3ds); MODELS: the test models'
# folder (default /usr/share/assimp/models, package assimp-testmodels);
# JOBS: -j for qev3ds (default 2); RUNS: runs of each (default 3).
set -euo pipefail
tool=$(realpath "${1:?usage: bench/batch_bench.sh QEV3DS [MODELS] [JOBS] [RUNS]}")
models=${2:-/usr/share/assimp/models}
jobs=${3:-2}
runs=${4:-3}
command -v assimp >/dev/null || { echo "needs assimp (Debian: assimp-utils)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
for d in 3DS OBJ glTF2 STL; do cp -r "$models/$d" "$work/in/$d"; done
find "$work/in" -type f \( -iname '*.3ds' -o -iname '*.obj' -o -iname '*.gltf' -o -iname '*.glb' \
  -o -iname '*.stl' \) | sort >"$work/list"
cat "$work/in"/*/* "$work/in"/*/*/* >/dev/null 2>&1 || true

ours() {
  rm -rf "$work/ours"
  "$tool" -qq convert "$work/in" --to glb --out-dir "$work/ours" --recursive -j "$jobs" \
    >/dev/null 2>&1 || true
}
theirs() {
  rm -rf "$work/theirs"
  mkdir -p "$work/theirs"
  local n=0 f
  while read -r f; do
    n=$((n + 1))
    assimp export "$f" "$work/theirs/$n.glb" -fglb2 >/dev/null 2>&1 || true
  done <"$work/list"
}
best() {  # the fastest of $runs runs of $1, in seconds
  local fastest="" start end t
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$1"
    end=$(date +%s%N)
    t=$(echo "($end - $start) / 1000000000" | bc -l)
    if [ -z "$fastest" ] || [ "$(echo "$t < $fastest" | bc -l)" = 1 ]; then fastest=$t; fi
  done
  echo "$fastest"
}

a=$(best ours)
b=$(best theirs)
files=$(wc -l <"$work/list")
printf "%d model files to GLB on %s cores\n" "$files" "$(nproc)"
printf "| %-34s | %8.3f s | %3d written |\n" "qev3ds convert --to glb -j $jobs" "$a" \
  "$(find "$work/ours" -name '*.glb' | wc -l)"
printf "| %-34s | %8.3f s | %3d written |\n" "assimp export, one file at a time" "$b" \
  "$(find "$work/theirs" -name '*.glb' | wc -l)"
printf "assimp's time / ours: %.2f\n" "$(echo "$b / $a" | bc -l)"
