#!/usr/bin/env bash
# Runs one libFuzzer target for a while in a clang build (build-fuzz/), on a scratch copy of its
# committed corpus: new inputs stay out of the repository; copy a minimised find into
# fuzz/corpus/<target>/ by hand. Prints the number of executions.
#   scripts/fuzz.sh settings_block 600
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS   (targets: $(ls "$root/fuzz/corpus" | tr '\n' ' '))" >&2
  exit 2
fi
target="$1"
seconds="$2"
[ -d "$root/fuzz/corpus/$target" ] || { echo "no fuzz target $target" >&2; exit 2; }

"$root/scripts/bootstrap.sh" clang libclang-rt-14-dev
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DS7_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${target}_fuzzer"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/corpus" "$scratch/finds"
cp "$root/fuzz/corpus/$target/"* "$scratch/corpus/"
options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix="$scratch/finds/")
[ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")

status=0
(cd "$scratch" && "$build/fuzz/${target}_fuzzer" "${options[@]}" corpus) 2>"$scratch/log" || status=$?
grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$scratch/log" || true
if [ "$status" -ne 0 ]; then
  tail -n 60 "$scratch/log"
  mkdir -p "$build/finds"
  cp "$scratch/finds/"* "$build/finds/" 2>/dev/null || true
  echo "finding: inputs copied to $build/finds/ (minimise with ${target}_fuzzer -minimize_crash=1)" >&2
fi
exit "$status"
