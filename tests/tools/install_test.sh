#!/usr/bin/env bash
# cmake --install into a temporary prefix: the files a desktop expects are there, the desktop
# entry and the AppStream metadata are valid, the programs run from the prefix, and the installed program given no data
# folder starts on its own copy of the installed demo archive.
set -euo pipefail
build=$1
root=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$root"
}
trap cleanup EXIT
fail() { echo "install test: $*" >&2; exit 1; }

prefix=$root/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/vantorel bin/vantorel-dbf bin/vantorel-unzip bin/vantorel-search
  share/applications/vantorel.desktop
  share/metainfo/org.vantorel.ArticleBrowser.metainfo.xml
  share/icons/hicolor/scalable/apps/vantorel.svg
  share/man/man1/vantorel.1.gz share/man/man1/vantorel-dbf.1.gz
  share/man/man1/vantorel-unzip.1.gz share/man/man1/vantorel-search.1.gz
  share/doc/vantorel/README.md share/doc/vantorel/docs/main-window.png
  share/vantorel/demo/index.htm share/vantorel/demo/article.dbf
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/vantorel.png")
done
for file in "${expected[@]}"; do
  [ -e "$prefix/$file" ] || fail "missing $file"
done
[ -x "$prefix/bin/vantorel" ] || fail "bin/vantorel is not executable"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/vantorel.desktop" ||
    fail "desktop-file-validate rejects the entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >"$root/appstream.log" 2>&1 ||
    { cat "$root/appstream.log" >&2; fail "appstreamcli rejects the metadata"; }
fi
for page in "$prefix"/share/man/man1/*; do
  [[ $page == *.1.gz ]] || fail "manual page not compressed: $page"
  if command -v groff >/dev/null; then
    warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1) || fail "groff fails on $page"
    [ -z "$warnings" ] || fail "groff warns on $page: $warnings"
  fi
done
"$prefix/bin/vantorel-unzip" --version >/dev/null || fail "vantorel-unzip --version"

# The installed program, started as from the menu (no arguments), copies the demo into the
# reader's data folder and opens its catalogue there (the index files appear in the copy).
export XDG_DATA_HOME=$root/data VANTOREL_CONFIG_DIR=$root/config QT_QPA_PLATFORM=offscreen
demo=$XDG_DATA_HOME/vantorel/demo
listing() { find "$prefix/share/vantorel/demo" -printf '%p %s %T@\n' | sort; }
before=$(listing)
"$prefix/bin/vantorel" >"$root/program.log" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  if [ -f "$demo/index.htm" ] && [ -f "$VANTOREL_CONFIG_DIR/kvbrowse.ini" ] &&
     compgen -G "$demo/*.ndx" >/dev/null; then
    break
  fi
  kill -0 "$pid" 2>/dev/null || { cat "$root/program.log" >&2; fail "the program ended early"; }
  sleep 0.1
done
[ -f "$demo/index.htm" ] || fail "no copy of the demo in $demo"
compgen -G "$demo/*.ndx" >/dev/null || fail "the catalogue of the copy was not opened"
[ "$(listing)" = "$before" ] || fail "the program changed the installed demo"
echo "install test: ok"
