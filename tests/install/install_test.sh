#!/usr/bin/env bash
# The installed program: `cmake --install` into a temporary DESTDIR, then the
# programs run from there with HOME in a temporary folder.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
BUILD=$1
SOURCE=$2
TMP=$(mktemp -d)
trap 'kill $primary 2>/dev/null || true; rm -rf "$TMP"' EXIT
primary=""
fail() { echo "FAIL: $*" >&2; exit 1; }

ROOT=$TMP/root
DESTDIR=$ROOT cmake --install "$BUILD" --prefix /usr > /dev/null
USR=$ROOT/usr
LIB=$(dirname "$(find "$USR" -name 'libZeltRpc.so.1.0.0')")

# ---- the layout
for f in bin/corvella bin/signsim include/zeltrpc.h \
         share/corvella/examples/CORVELLA.INI share/corvella/examples/BASK.REQ \
         share/corvella/examples/FOOT.REQ \
         share/man/man1/corvella.1.gz share/man/man1/signsim.1.gz \
         share/applications/org.corvella.Corvella.desktop \
         share/mime/packages/corvella.xml share/metainfo/org.corvella.Corvella.metainfo.xml \
         share/icons/hicolor/scalable/apps/corvella.svg share/icons/hicolor/48x48/apps/corvella.png; do
  [ -f "$USR/$f" ] || fail "not installed: $f"
done
for f in libZeltRpc.so.1 libZeltRpc.so pkgconfig/zeltrpc.pc cmake/ZeltRpc/ZeltRpcConfig.cmake; do
  [ -e "$LIB/$f" ] || fail "not installed: $LIB/$f"
done
[ "$(readlink "$LIB/libZeltRpc.so.1")" = libZeltRpc.so.1.0.0 ] || fail "soname link"
bin_before=$(ls -A "$USR/bin")

# ---- a new user: the per-user folder is made and seeded, BASK.REQ opens
export HOME=$TMP/home XDG_RUNTIME_DIR=$TMP/run LD_LIBRARY_PATH=$LIB QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME CORVELLA_DIR
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
USERDIR=$HOME/.local/share/corvella

pages() { grep -a -c '^/Type /Page$' "$1"; }

# Printing opens the file as the window would, so it shows the list was read.
out=$("$USR/bin/corvella" --print "$USERDIR/BASK.REQ") || fail "--print exit status $?"
for f in CORVELLA.INI BASK.REQ FOOT.REQ; do
  cmp -s "$USERDIR/$f" "$USR/share/corvella/examples/$f" || fail "not seeded: $f"
done
[ "$(pages "$USERDIR/BASK.pdf")" = 1 ] || fail "BASK.pdf pages"
[[ $out == *"$USERDIR/BASK.pdf"* ]] || fail "--print did not say where: $out"

# ---- printing without a printer: one page per 40 rows, plus one
LISTDIR=$TMP/list
mkdir -p "$LISTDIR"
printf '[REQUEST]\r\nSPORT=BASK.REQ\r\n' > "$LISTDIR/CORVELLA.INI"
for i in $(seq 1 85); do
  printf '[REQ%d]\r\nName=Request %d\r\nTeam=I\r\nTop3=N\r\nGame=G\r\nSign=1\r\nMode=Continuous\r\nTimes=1\r\nDrive=C\r\nLibrary=DEFAULT\r\nSequence=RTD\r\nFrame=0\r\nOffset=0\r\n' "$i" "$i"
done > "$LISTDIR/BASK.REQ"
CORVELLA_DIR=$LISTDIR "$USR/bin/corvella" --print "$LISTDIR/BASK.REQ" > /dev/null || fail "--print of 85 rows"
[ "$(pages "$LISTDIR/BASK.pdf")" = 3 ] || fail "85 rows: $(pages "$LISTDIR/BASK.pdf") pages, not 3"

# A file that is not there, or a printer that is not there: a message and 1.
for args in "--print $TMP/none.REQ" "--print-to no-such-printer $LISTDIR/BASK.REQ" "--print"; do
  status=0
  err=$(CORVELLA_DIR=$LISTDIR "$USR/bin/corvella" $args 2>&1 > /dev/null) || status=$?
  [ "$status" = 1 ] && [ -n "$err" ] || fail "corvella $args: status $status, message '$err'"
done

# ---- the window, and a later start that hands its file over
"$USR/bin/corvella" "$USERDIR/BASK.REQ" &
primary=$!
for _ in $(seq 1 300); do
  compgen -G "$XDG_RUNTIME_DIR/corvella-*.sock" > /dev/null && break
  kill -0 $primary 2>/dev/null || fail "the program ended at start-up"
  sleep 0.1
done
"$USR/bin/corvella" "$USERDIR/FOOT.REQ" || fail "hand-over exit status $?"
kill -0 $primary 2>/dev/null || fail "the running program ended"

[ "$(ls -A "$USR/bin")" = "$bin_before" ] || fail "something was written beside the executable"
echo "install test passed"
