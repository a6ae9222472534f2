#!/usr/bin/env bash
# Whole-process comparisons of the engines with public tools, on inputs made here:
#   search    vantorel-dbf search over the 100,000-article demo's keyword.dbf for a word that
#             occurs nowhere, against LC_ALL=C grep -c -i -F over the same records with a line
#             break after each;
#   index     vantorel-dbf index UPPER(KEYWORD) UNIQUE over a 1,000,000-record keyword table
#             with about 290,000 distinct keys, against LC_ALL=C sort -u of the same keys one
#             per line;
#   find      Find on keyword tables of 4,000 and of about 290,000 distinct keywords spread
#             over the file, and on the demo's keyword.dbf (lookups per second from ndx_bench,
#             when the build has it: from freshly opened caches, and warm; the caches' memory);
#   pages     with --pages: vantorel-search on the demo for one word ("Sockets", then "Winsock"
#             for a page of about 10 MB when the demo has that keyword), its
#             SEARCHRESULT.HTM written, against sqlite3 running one SELECT that writes the same
#             page by string concatenation from the demo's catalogue loaded into a database with
#             indexes on the keys (bench/catalogue_sqlite.py, by a loader of its own, not timed):
#             the word matched whole through the keyword index, and (pages-sub) anywhere inside
#             a keyword, as the program matches it. The two pages are compared byte for byte.
#             Then vantorel-search alone for "*!*" (ALLARTS.HTM and AADETAIL.HTM) and for the
#             bonus search of one word; --pages-only runs just these.
#   unzip     with --zip: vantorel-unzip against Info-ZIP unzip on the legacy fixture archives
#             that unzip can extract (shrunk, imploded; it has no decoder for the reduced
#             methods), on a deflated archive of about 200 MB, and on a source archive of
#             15,000 small files (about 1,000 folders), each -o into the same folder, on disk
#             (in DIR) and on tmpfs (/dev/shm); the small files also into a new folder each
#             time (the command removes the folder first, both sides).
#             --zip-only runs just these.
#   methods   with --methods: vantorel-unzip against 7-Zip's `7z x` on one folder of about
#             60 MB (text, tables, random bytes) that 7-Zip put into archives with Deflate64,
#             BZip2 and LZMA, and on 5,000 small text files (200 B to 8 KB) in BZip2 and LZMA
#             archives; then libbz2 alone (`bzip2 -dc` of the BZip2 archive's streams one after
#             another, its stored entries left out) against `7z x` of that archive: the floor
#             for a decoder built on libbz2; --methods-only runs just these.
# Each pair runs in turn, A B A B ..., and prints the medians of wall and CPU seconds (user +
# system of the children) and their ratio A/B. A run of a short command repeats it a few
# times so that the clock's resolution does not decide.
#
# usage: bench/compare_peers.sh [--runs N] [--work DIR] [--zip|--zip-only] [--methods|--methods-only]
#                               [--pages|--pages-only] [BUILD_DIR]
#   BUILD_DIR (default: build) holds src/tools/dbf/vantorel-dbf (src/tools/search/vantorel-search
#   for --pages), and bench/tables/ndx_bench
#   when configured with -DVANTOREL_BENCH=ON; DIR (default: /tmp/vantorel-peers) keeps the
#   generated inputs between calls.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
runs=7
work=/tmp/vantorel-peers
zip=false
zip_only=false  # leave out search, index and find
methods=false
pages=false
build=build
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --zip) zip=true; shift ;;
    --zip-only) zip=true; zip_only=true; shift ;;
    --methods) methods=true; shift ;;
    --methods-only) methods=true; zip_only=true; shift ;;
    --pages) pages=true; shift ;;
    --pages-only) pages=true; zip_only=true; shift ;;
    -h|--help) sed -n '2,39p' "$0"; exit 0 ;;
    *) build=$1; shift ;;
  esac
done
build=$(cd "$build" && pwd)
dbf_tool=$build/src/tools/dbf/vantorel-dbf
search_tool=$build/src/tools/search/vantorel-search
unzip_tool=$build/src/tools/unzip/vantorel-unzip
ndx_bench=$build/bench/tables/ndx_bench
$zip_only || [ -x "$dbf_tool" ] || { echo "no $dbf_tool: build the vantorel-dbf target first" >&2; exit 2; }
mkdir -p "$work"
export LC_ALL=C

if ! $zip_only || $pages; then
if [ ! -f "$work/demo/keyword.dbf" ]; then
  echo "writing the 100,000-article demo archive..." >&2
  python3 "$source_dir/tools/make_demo_archive.py" "$work/demo" --articles 100000 >/dev/null
fi
fi

if ! $zip_only; then

# --- inputs ---------------------------------------------------------------------------------

# The records of a table, each followed by a line break (header and end mark left out).
records_as_lines() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
count, header, length = struct.unpack("<IHH", data[4:12])
with open(sys.argv[2], "wb") as out:
    out.write(b"".join(data[header + i * length:header + (i + 1) * length] + b"\n"
                       for i in range(count)))
EOF
}
[ -f "$work/keyword-lines.txt" ] || records_as_lines "$work/demo/keyword.dbf" "$work/keyword-lines.txt"

if [ ! -f "$work/kw300k.dbf" ]; then
  echo "writing the 1,000,000-record keyword tables..." >&2
  python3 "$here/make_keyword_table.py" "$work/kw300k.dbf" --vocabulary 300000
  python3 "$here/make_keyword_table.py" "$work/kw4k.dbf" --vocabulary 4000
fi
# The keys as the index stores them: KEYWORD upper-cased, one per line.
if [ ! -f "$work/keys.txt" ]; then
  python3 - "$work/kw300k.dbf" "$work/keys.txt" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
count, header, length = struct.unpack("<IHH", data[4:12])
keys = (data[header + i * length + 12:header + (i + 1) * length].decode("cp437").upper()
        .encode("cp437", "replace") for i in range(count))
open(sys.argv[2], "wb").write(b"\n".join(keys) + b"\n")
EOF
fi

fi

# --- timing ---------------------------------------------------------------------------------

. "$here/side_by_side.sh"

# single NAME REPEAT "words": one command alone, runs times after one warm-up; its medians.
single() {
  local name=$1 repeat=$2 r
  local -a run_a
  read -r -a run_a <<<"$3"
  timed 1 "${run_a[@]}" >/dev/null
  : >"$work/a.times"
  for ((r = 0; r < runs; r++)); do timed "$repeat" "${run_a[@]}" >>"$work/a.times"; done
  printf '%-8s   %-40s wall %8.4f s  cpu %8.4f s\n\n' "$name" "$(basename "${run_a[0]}")" \
    "$(cut -d' ' -f1 "$work/a.times" | median)" "$(cut -d' ' -f2 "$work/a.times" | median)"
}

echo "load: $(uptime)"
echo "runs: $runs (medians), inputs in $work"
echo

if ! $zip_only; then
compare search 10 "$dbf_tool search $work/demo/keyword.dbf ZYGOMORPHIC" \
  "grep -c -i -F ZYGOMORPHIC $work/keyword-lines.txt"

mkdir -p "$work/index"
cp -f "$work/kw300k.dbf" "$work/index/kw.dbf"
# The index specification holds a blank: the tool runs from a two-line script.
printf '#!/bin/sh\nexec "%s" index "%s" "UPPER(KEYWORD)" "kwkey UNIQUE"\n' \
  "$dbf_tool" "$work/index/kw.dbf" >"$work/index-unique.sh"
chmod +x "$work/index-unique.sh"
compare index 1 "$work/index-unique.sh" "sort -u $work/keys.txt -o $work/sorted.txt"

if [ -x "$ndx_bench" ]; then
  for table in kw4k.dbf kw300k.dbf demo/keyword.dbf; do
    echo "find on $table (ndx_bench, lookups per second):"
    VANTOREL_BENCH_KEYWORD_DBF=$work/$table "$ndx_bench" --benchmark_filter='BM_Find' \
      --benchmark_min_time=0.5 2>/dev/null | grep '^BM_'
    echo
  done
else
  echo "find: no $ndx_bench (configure with -DVANTOREL_BENCH=ON and build ndx_bench)"
  echo
fi
fi

if $pages; then
  [ -x "$search_tool" ] || { echo "no $search_tool: build the vantorel-search target first" >&2; exit 2; }
  command -v sqlite3 >/dev/null || { sudo apt-get install -y sqlite3 >/dev/null 2>&1 || apt-get install -y sqlite3 >/dev/null; }
  # Our data folder: the demo's tables (linked), the indexes built by the warm-up run.
  mkdir -p "$work/pages"
  for f in article.dbf article.dbt author.dbf keyword.dbf files.dbf words.dbf; do
    ln -f "$work/demo/$f" "$work/pages/$f" 2>/dev/null || cp -f "$work/demo/$f" "$work/pages/$f"
  done
  [ -f "$work/catalogue.sqlite" ] ||
    python3 "$here/catalogue_sqlite.py" load "$work/demo" "$work/catalogue.sqlite"
  words=Sockets
  grep -q -a Winsock "$work/demo/keyword.dbf" && words="Sockets Winsock"
  for word in $words; do
    printf '#!/bin/sh\nexec "%s" --yes --pdf-dir "%s/demo/PDF/" --source-dir "%s/demo/DISKS/" "%s/pages" %s\n' \
      "$search_tool" "$work" "$work" "$work" "$word" >"$work/search-word.sh"
    for how in whole substring; do
      python3 "$here/catalogue_sqlite.py" query "$word" $([ $how = substring ] && echo --substring) \
        >"$work/query-$how.sql"
      printf '#!/bin/sh\nexec sqlite3 "%s/catalogue.sqlite" ".output %s/sqlite-%s.htm" ".read %s/query-%s.sql"\n' \
        "$work" "$work" "$how" "$work" "$how" >"$work/sqlite-$how.sh"
    done
    chmod +x "$work/search-word.sh" "$work/sqlite-whole.sh" "$work/sqlite-substring.sh"
    compare pages 1 "$work/search-word.sh" "$work/sqlite-whole.sh"
    compare pages-sub 1 "$work/search-word.sh" "$work/sqlite-substring.sh"
    for how in whole substring; do
      if cmp -s "$work/pages/SEARCHRESULT.HTM" "$work/sqlite-$how.htm"; then
        echo "$word ($how): the two pages are the same, byte for byte"
      else
        echo "$word ($how): THE PAGES DIFFER (SEARCHRESULT.HTM against sqlite-$how.htm)"
      fi
    done
    echo
  done
  printf '#!/bin/sh\nexec "%s" --yes --pdf-dir "%s/demo/PDF/" --source-dir "%s/demo/DISKS/" "%s/pages" "*!*"\n' \
    "$search_tool" "$work" "$work" "$work" >"$work/search-all.sh"
  printf '#!/bin/sh\nexec "%s" --bonus --yes "%s/pages" WASTE\n' "$search_tool" "$work" >"$work/search-bonus.sh"
  chmod +x "$work/search-all.sh" "$work/search-bonus.sh"
  single '*!*' 1 "$work/search-all.sh"
  single bonus 5 "$work/search-bonus.sh"
fi

if $zip; then
  command -v unzip >/dev/null || { sudo apt-get install -y unzip >/dev/null 2>&1 || apt-get install -y unzip >/dev/null; }
  [ -x "$unzip_tool" ] || { echo "no $unzip_tool: build the vantorel-unzip target first" >&2; exit 2; }
  fixtures=${VANTOREL_FIXTURES_DIR:-$source_dir/../shared/fixtures}/zip
  # Only the archives Info-ZIP unzip can extract: it has no decoder for the reduced methods and
  # skips such entries, which would make the pair unequal.
  legacy=()
  for z in "$fixtures"/*/*.ZIP; do
    unzip -tqq "$z" >/dev/null 2>&1 && legacy+=("$z")
  done
  echo "legacy: ${#legacy[@]} fixture archives that unzip can extract"
  printf '#!/bin/sh\nfor z in %s; do "%s" -o -d %s/out-a "$z"; done\n' \
    "${legacy[*]}" "$unzip_tool" "$work" >"$work/legacy-a.sh"
  printf '#!/bin/sh\nfor z in %s; do unzip -o -qq "$z" -d %s/out-b; done\n' \
    "${legacy[*]}" "$work" >"$work/legacy-b.sh"
  chmod +x "$work/legacy-a.sh" "$work/legacy-b.sh"
  compare legacy 3 "$work/legacy-a.sh" "$work/legacy-b.sh"
  [ -f "$work/zips/mixed.zip" ] || python3 "$source_dir/bench/archive/make_bench_zips.py" "$work/zips" >/dev/null
  compare deflate 1 "$unzip_tool -o -d $work/out-a $work/zips/mixed.zip" \
    "unzip -o -qq $work/zips/mixed.zip -d $work/out-b"
  [ -f "$work/zips/source.zip" ] || python3 "$source_dir/bench/archive/make_bench_zips.py" "$work/zips" >/dev/null
  shm=/dev/shm/vantorel-peers
  mkdir -p "$shm"
  for place in "$work" "$shm"; do
    echo "small files in $place: -o into the same folder, then into a new one"
    rm -rf "$place/small-a" "$place/small-b"
    compare small 1 "$unzip_tool -o -d $place/small-a $work/zips/source.zip" \
      "unzip -o -qq $work/zips/source.zip -d $place/small-b"
    printf '#!/bin/sh\nrm -rf %s/new-a\nexec "%s" -o -d %s/new-a %s\n' \
      "$place" "$unzip_tool" "$place" "$work/zips/source.zip" >"$work/small-new-a.sh"
    printf '#!/bin/sh\nrm -rf %s/new-b\nexec unzip -o -qq %s -d %s/new-b\n' \
      "$place" "$work/zips/source.zip" "$place" >"$work/small-new-b.sh"
    chmod +x "$work/small-new-a.sh" "$work/small-new-b.sh"
    compare small-new 1 "$work/small-new-a.sh" "$work/small-new-b.sh"
  done
  rm -rf "$shm"
fi

if $methods; then
  [ -x "$unzip_tool" ] || { echo "no $unzip_tool: build the vantorel-unzip target first" >&2; exit 2; }
  seven=$(command -v 7z || command -v 7zz || command -v 7za) || { echo "no 7-Zip (7z, 7zz)" >&2; exit 2; }
  if [ ! -f "$work/methods/lzma.zip" ]; then
    echo "writing the Deflate64, BZip2 and LZMA archives..." >&2
    rm -rf "$work/methods"
    mkdir -p "$work/methods"
    python3 - "$work/methods/src" "$source_dir/bench/archive" <<'EOF'
import os, random, sys
sys.path.insert(0, sys.argv[2])
from make_bench_zips import semi_binary_bytes, text_bytes
rng = random.Random(3)
total, n = 0, 0
while total < 60 * 1024 * 1024:
    kind = rng.choice(("text", "text", "semi", "binary"))
    size = int(4096 * (512 ** rng.random()))
    data = {"text": text_bytes, "semi": semi_binary_bytes}.get(kind, lambda r, s: r.randbytes(s))(rng, size)
    folder = os.path.join(sys.argv[1], f"D{n % 5}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, f"F{n:05d}.{kind[:3].upper()}"), "wb") as out:
        out.write(data)
    total, n = total + size, n + 1
EOF
    for m in Deflate64 BZip2 LZMA; do
      (cd "$work/methods/src" && "$seven" a -tzip -mm=$m "$work/methods/$(echo $m | tr A-Z a-z).zip" . >/dev/null)
    done
  fi
  if [ ! -f "$work/methods/small-lzma.zip" ]; then
    echo "writing the archives of 5,000 small files..." >&2
    rm -rf "$work/methods/small"
    python3 - "$work/methods/small" <<'EOF'
import os, random, sys
rng = random.Random(5)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(3, 9)))
         for _ in range(2000)]
for n in range(5000):
    folder = os.path.join(sys.argv[1], f"D{n % 50:02d}")
    os.makedirs(folder, exist_ok=True)
    size, text = rng.randint(200, 8000), []
    while sum(map(len, text)) + len(text) < size:
        text.append(rng.choice(words))
    with open(os.path.join(folder, f"F{n:05d}.TXT"), "w") as out:
        out.write(" ".join(text))
EOF
    for m in BZip2 LZMA; do
      (cd "$work/methods/small" && "$seven" a -tzip -mm=$m "$work/methods/small-$(echo $m | tr A-Z a-z).zip" . >/dev/null)
    done
    # libbz2 alone: the BZip2 archive's streams one after another, for bzip2 -dc.
    python3 - "$work/methods/bzip2.zip" "$work/methods/bzip2-streams.bz2" <<'EOF'
import struct, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as archive, open(sys.argv[1], "rb") as raw, open(sys.argv[2], "wb") as out:
    for info in archive.infolist():
        if info.compress_type != zipfile.ZIP_BZIP2:
            continue
        raw.seek(info.header_offset)
        name_length, extra_length = struct.unpack("<HH", raw.read(30)[26:30])
        raw.seek(info.header_offset + 30 + name_length + extra_length)
        out.write(raw.read(info.compress_size))
EOF
  fi
  for m in deflate64 bzip2 lzma small-bzip2 small-lzma; do
    compare "$m" 1 "$unzip_tool -o -d $work/methods/out-a $work/methods/$m.zip" \
      "$seven x -y -o$work/methods/out-b $work/methods/$m.zip"
  done
  if command -v bzip2 >/dev/null; then
    compare libbz2-alone 1 "bzip2 -dc $work/methods/bzip2-streams.bz2" \
      "$seven x -y -o$work/methods/out-b $work/methods/bzip2.zip"
  fi
fi
