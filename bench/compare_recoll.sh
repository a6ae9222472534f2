#!/usr/bin/env bash
# The full-text index against Recoll (Debian's recollcmd) over the same files: the article PDFs
# and companion disks (sources, texts, ZIP archives) of a demo archive, or (--real-pdfs) the
# PDF files of a Debian documentation package, made by real producers (pdfTeX, LuaTeX, dvips
# with Distiller or ghostscript, xdvipdfmx...).
#   build    vantorel-search --full-text over a fresh index against recollindex -z over a fresh
#            index (both whole processes; Recoll reads PDFs through pdftotext)
#   query    single-word queries: vantorel-search --full-text --no-update --json against
#            recollq -b (the files only) and recollq -A (with abstracts: the JSON carries each
#            hit's page and snippet); the hit sets (files; a ZIP member counts as its archive)
#            compared. Recoll indexes a PDF's document information too (Title, Subject,
#            Keywords, Creator...), the index here only the pages' text: a word found only
#            there (Creator "LaTeX with hyperref package") is Recoll's hit alone.
#   size     the index file against the text it holds (vantorel), and Recoll's index folder
# Each pair runs in turn, A B A B ..., after one warm-up each, and prints the medians of wall and
# CPU seconds (user + system of the children) and their ratio A/B. Run it niced on a shared
# machine; the load is printed first.
#
# usage: bench/compare_recoll.sh [--runs N] [--articles N | --real-pdfs [PACKAGE]] [--work DIR]
#                                [BUILD_DIR]
#   BUILD_DIR (default: build) holds src/tools/search/vantorel-search; DIR (default:
#   /tmp/vantorel-recoll) keeps the demo archive (default 1,000 articles) between calls.
#   --real-pdfs fetches PACKAGE (default texlive-latex-recommended-doc, 50 MB, 155 PDF files)
#   with `apt-get download` into DIR without installing it, unpacks it with dpkg-deb -x and
#   puts its PDF files side by side in one PDF folder (no catalogue, no companion disks).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
runs=5
articles=1000
package=
work=/tmp/vantorel-recoll
build=build
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --articles) articles=$2; shift 2 ;;
    --real-pdfs)
      package=texlive-latex-recommended-doc
      if [ $# -gt 1 ] && [[ $2 == *-doc ]]; then package=$2; shift; fi
      shift ;;
    --work) work=$2; shift 2 ;;
    -h|--help) sed -n '2,25p' "$0"; exit 0 ;;
    *) build=$1; shift ;;
  esac
done
build=$(cd "$build" && pwd)
tool=$build/src/tools/search/vantorel-search
[ -x "$tool" ] || { echo "no $tool: build the vantorel-search target first" >&2; exit 2; }
command -v recollindex >/dev/null || { echo "no recollindex: apt-get install recollcmd" >&2; exit 2; }
mkdir -p "$work"
export LC_ALL=C.UTF-8

# --- inputs ---------------------------------------------------------------------------------

if [ -z "$package" ]; then
  demo=$work/demo-$articles
  if [ ! -f "$demo/index.htm" ]; then
    echo "writing the $articles-article demo archive..." >&2
    python3 "$source_dir/tools/make_demo_archive.py" "$demo" --articles "$articles" \
      --legacy-zips "${VANTOREL_FIXTURES_DIR:-$source_dir/../shared/fixtures}/zip" >/dev/null
  fi
  # The archive as both sides see it: PDF/ and DISKS/, and the catalogue that ties the PDFs (no
  # bonus pages, which Recoll would not be given).
  same=$work/same-$articles
  mkdir -p "$same"
  ln -sfn "$demo/PDF" "$same/PDF"
  ln -sfn "$demo/DISKS" "$same/DISKS"
  for table in article.dbf article.dbt author.dbf; do ln -sf "$demo/$table" "$same/$table"; done
  topdirs="$demo/PDF $demo/DISKS"
  shown=$demo        # Recoll's paths below this are the tool's paths
  conf=$work/recoll-conf-$articles
  words=(benchmark overview listing memory heap streams printer pascal companion)
  what="$articles-article demo archive in $demo"
else
  # The package's PDF files, copied into one folder under names made of their paths.
  same=$work/real-$package
  if [ ! -d "$same/PDF" ]; then
    rm -rf "$work/unpacked-$package"
    mkdir -p "$work/unpacked-$package"
    (cd "$work" && apt-get download "$package" >/dev/null)
    dpkg-deb -x "$work/${package}"_*.deb "$work/unpacked-$package"
    mkdir -p "$same/PDF.new"
    (cd "$work/unpacked-$package" && find . -type f -iname '*.pdf' | sort) |
      while IFS= read -r pdf; do
        name=${pdf#./}; name=${name#usr/share/doc/}; name=${name//\//_}
        cp "$work/unpacked-$package/$pdf" "$same/PDF.new/$name"
      done
    mv "$same/PDF.new" "$same/PDF"
  fi
  topdirs="$same/PDF"
  shown=$same
  conf=$work/recoll-conf-$package
  words=(package hyperref theorem bibliography margin font colour footnote algorithm unicode)
  what="PDF files of $package in $same/PDF"
fi

mkdir -p "$conf"
cat >"$conf/recoll.conf" <<CONF
topdirs = $topdirs
indexStemmingLanguages = english
followLinks = 1
loglevel = 1
indexallfilenames = 0
CONF
# Recoll knows few source-code extensions: the companion disks' sources are text to it too.
: >"$conf/mimemap"
for extension in txt pas pp inc dpr int c h cpp asm bas prg mak bat ini cfg doc me lst; do
  echo ".$extension = text/plain" >>"$conf/mimemap"
done

cat >"$work/build-a.sh" <<SCRIPT
#!/bin/sh
rm -f "$same/fulltext.db" "$same/fulltext.db-wal" "$same/fulltext.db-shm"
exec "$tool" --full-text --json --limit 1 "$same" zzzqqq
SCRIPT
cat >"$work/build-b.sh" <<SCRIPT
#!/bin/sh
exec recollindex -c "$conf" -z
SCRIPT
chmod +x "$work/build-a.sh" "$work/build-b.sh"

# --- timing ------------------------------------------------------------------------------------

compare_width=14
. "$here/side_by_side.sh"

echo "load: $(uptime)"
echo "runs: $runs (medians), $what"
echo "files: $(find -L "$same/PDF" "$same/DISKS" -type f 2>/dev/null | wc -l)," \
  "$(du -cbL "$same/PDF" "$same/DISKS" 2>/dev/null | tail -1 | cut -f1) bytes"
echo

compare build 1 "$work/build-a.sh" "$work/build-b.sh"

# Hit sets of single words: the files each side finds (a ZIP member as its archive).
for word in "${words[@]}"; do
  "$tool" --full-text --no-update --json --limit 1000000 "$same" "$word" 2>/dev/null |
    sed -e 's/^{"path": "\([^"]*\)".*/\1/' | sort -u >"$work/hits-a.txt" || true
  # Recoll also finds folders by their names: only files count.
  recollq -c "$conf" -b -n 0 "$word" 2>/dev/null | grep '^file://' |
    sed -e "s|^file://$shown/||" | sort -u |
    while IFS= read -r hit; do [ -f "$shown/$hit" ] && echo "$hit"; done >"$work/hits-b.txt" || true
  if cmp -s "$work/hits-a.txt" "$work/hits-b.txt"; then same_set=same; else same_set=DIFFERENT; fi
  printf 'hits %-12s vantorel %6d  recoll %6d  %s\n' "$word" "$(wc -l <"$work/hits-a.txt")" \
    "$(wc -l <"$work/hits-b.txt")" "$same_set"
  if [ "$same_set" = DIFFERENT ]; then
    diff "$work/hits-a.txt" "$work/hits-b.txt" | head -6 | sed 's/^/      /' || true
  fi
done
echo

printf '#!/bin/sh\nfor w in %s; do "%s" --full-text --no-update --json --limit 1000000 "%s" "$w"; done\n' \
  "${words[*]}" "$tool" "$same" >"$work/query-a.sh"
printf '#!/bin/sh\nfor w in %s; do recollq -c "%s" -b -n 0 "$w"; done\n' \
  "${words[*]}" "$conf" >"$work/query-b.sh"
printf '#!/bin/sh\nfor w in %s; do recollq -c "%s" -A -n 0 "$w"; done\n' \
  "${words[*]}" "$conf" >"$work/query-c.sh"
chmod +x "$work/query-a.sh" "$work/query-b.sh" "$work/query-c.sh"
compare "query x${#words[@]}" 1 "$work/query-a.sh" "$work/query-b.sh"
compare "snippets x${#words[@]}" 1 "$work/query-a.sh" "$work/query-c.sh"

index_bytes=$(stat -c %s "$same/fulltext.db")
text_bytes=$(sqlite3 "$same/fulltext.db" \
  "SELECT sum(body_bytes + length(CAST(title AS BLOB))) FROM documents")
recoll_bytes=$(du -sb "$conf/xapiandb" | cut -f1)
awk -v i="$index_bytes" -v t="$text_bytes" -v r="$recoll_bytes" 'BEGIN {
  printf "size  vantorel index %.1f MB for %.1f MB of text: %.2fx the text\n", i / 1e6, t / 1e6, i / t
  printf "      recoll xapiandb %.1f MB: %.2fx the same text\n", r / 1e6, r / t }'
