#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz, clang-16) when needed and runs them.
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]   one target, its corpus kept and grown
#   tools/fuzz.sh --smoke SECONDS                         every target for SECONDS each
#   tools/fuzz.sh --list                                  the target names
# Corpora grow in build-fuzz/fuzz-corpus/TARGET on top of the seeds that fuzz/make_corpora.py
# writes to build-fuzz/fuzz-seeds/TARGET; crashes land in build-fuzz/fuzz-artifacts/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer options...] | --smoke SECONDS | --list" >&2
  exit 2
}
(($# >= 1)) || usage

./tools/ensure_packages.sh
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
build=build-fuzz
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 "${launcher[@]}" \
    -DVANTOREL_GUI=OFF -DVANTOREL_BENCH=OFF -DVANTOREL_FUZZ=ON >/dev/null
fi
if ! cmake --build "$build" --target fuzz_targets vantorel-dbf -j2 >"$build/build.log" 2>&1; then
  grep -E -B2 -A8 "error|FAILED" "$build/build.log" >&2 || cat "$build/build.log" >&2
  echo "fuzz.sh: the fuzz targets do not build (whole log: $build/build.log)" >&2
  exit 1
fi

if [ "$1" = --list ]; then
  cat "$build/fuzz_targets.txt"
  exit 0
fi

seeds="$build/fuzz-seeds"
if [ ! -d "$seeds" ] || [ fuzz/make_corpora.py -nt "$seeds" ]; then
  rm -rf "$seeds"
  python3 fuzz/make_corpora.py . ../shared/fixtures "$build/src/tools/dbf/vantorel-dbf" "$seeds.new"
  mv "$seeds.new" "$seeds"
fi

# Stack traces with function names and lines.
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && command -v llvm-symbolizer >/dev/null; then
  export ASAN_SYMBOLIZER_PATH
  ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer)
fi

dictionary_of() {
  case "$1" in
    fuzz_zip | fuzz_stored | fuzz_unshrink | fuzz_unreduce | fuzz_explode | fuzz_inflate | fuzz_inflate64 | fuzz_decrypt) echo fuzz/dict/zip.dict ;;
    fuzz_table | fuzz_ndx) echo fuzz/dict/dbf.dict ;;
    fuzz_expression) echo fuzz/dict/expression.dict ;;
    fuzz_page) echo fuzz/dict/html.dict ;;
  esac
}

# run_target TARGET SECONDS [options...]
run_target() {
  local target=$1 seconds=$2
  shift 2
  local corpus="$build/fuzz-corpus/$target" artifacts="$build/fuzz-artifacts/$target/"
  mkdir -p "$corpus" "$artifacts" "$seeds/$target"
  local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                 -artifact_prefix="$artifacts")
  local dictionary
  dictionary=$(dictionary_of "$target")
  if [ -n "$dictionary" ]; then options+=(-dict="$dictionary"); fi
  # A quarantine of 16 MB still holds every block an input frees while the next inputs run;
  # ASan's 256 MB default hands each allocation fresh pages and halves the executions per second.
  ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=16}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    "$build/fuzz/$target" "${options[@]}" "$@" "$corpus" "$seeds/$target"
}

if [ "$1" = --smoke ]; then
  (($# == 2)) || usage
  failed=()
  while read -r target; do
    echo "== $target"
    if ! run_target "$target" "$2" >"$build/fuzz-smoke-$target.log" 2>&1; then
      tail -n 40 "$build/fuzz-smoke-$target.log"
      failed+=("$target")
    else
      grep -E '^(stat::number_of_executed_units|Done )' "$build/fuzz-smoke-$target.log" || true
    fi
  done <"$build/fuzz_targets.txt"
  if ((${#failed[@]} > 0)); then
    echo "Fuzz targets failed: ${failed[*]}" >&2
    exit 1
  fi
  exit 0
fi

(($# >= 2)) || usage
grep -qx "$1" "$build/fuzz_targets.txt" || { echo "unknown fuzz target: $1" >&2; exit 2; }
run_target "$@"
