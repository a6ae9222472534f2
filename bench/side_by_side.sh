# Whole-process timing shared by the side-by-side benchmarks. The caller sets work (a scratch
# folder) and runs (how many timed runs give each median); compare_width is the name column.

# User + system seconds of the finished children, from a file that `times` wrote.
children_cpu() {
  awk 'END { total = 0
    for (i = 1; i <= 2; i++) { split($i, ms, "m"); sub("s", "", ms[2]); total += ms[1] * 60 + ms[2] }
    printf "%.4f", total }' "$1"
}

# One timed run: the command repeated times times; prints "wall cpu" in seconds per command.
# `times` runs in this shell (never in a subshell, which has no children of its own).
timed() {
  local repeat=$1; shift
  local t0 t1 i
  times >"$work/cpu0"
  t0=$EPOCHREALTIME
  for ((i = 0; i < repeat; i++)); do "$@" >/dev/null 2>&1 || true; done
  t1=$EPOCHREALTIME
  times >"$work/cpu1"
  awk -v a="$t0" -v b="$t1" -v c="$(children_cpu "$work/cpu0")" -v d="$(children_cpu "$work/cpu1")" \
    -v r="$repeat" 'BEGIN { printf "%.5f %.5f\n", (b - a) / r, (d - c) / r }'
}

# The median of the numbers on standard input, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME REPEAT "A words" "B words": A and B in turn, runs times each after one warm-up.
compare() {
  local name=$1 repeat=$2 a=$3 b=$4 r
  local -a run_a run_b
  read -r -a run_a <<<"$a"
  read -r -a run_b <<<"$b"
  timed 1 "${run_a[@]}" >/dev/null
  timed 1 "${run_b[@]}" >/dev/null
  : >"$work/a.times"
  : >"$work/b.times"
  for ((r = 0; r < runs; r++)); do
    timed "$repeat" "${run_a[@]}" >>"$work/a.times"
    timed "$repeat" "${run_b[@]}" >>"$work/b.times"
  done
  local aw ac bw bc
  aw=$(cut -d' ' -f1 "$work/a.times" | median)
  ac=$(cut -d' ' -f2 "$work/a.times" | median)
  bw=$(cut -d' ' -f1 "$work/b.times" | median)
  bc=$(cut -d' ' -f2 "$work/b.times" | median)
  printf '%-*s A %-40s wall %8.4f s  cpu %8.4f s\n' "${compare_width:-8}" "$name" "$(basename "${run_a[0]}") ${run_a[1]:-}" "$aw" "$ac"
  printf '%-*s B %-40s wall %8.4f s  cpu %8.4f s\n' "${compare_width:-8}" "" "$(basename "${run_b[0]}") ${run_b[1]:-}" "$bw" "$bc"
  awk -v aw="$aw" -v bw="$bw" -v ac="$ac" -v bc="$bc" -v w="${compare_width:-8}" \
    'BEGIN { printf "%-" w "s   A/B wall %.2f   A/B cpu %s\n\n", "", aw / bw, (bc > 0) ? sprintf("%.2f", ac / bc) : "-" }'
}
