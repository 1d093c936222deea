#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo and the file type are valid, and
# the file type matches request files by name and by content.
#   validate_test.sh PACKAGING_DIR
set -euo pipefail
DIR=$1
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$DIR/org.corvella.Corvella.desktop"
# Menus run an entry's actions without a file: none may need one.
awk '/^\[Desktop Action /{action=1} /^\[Desktop Entry\]/{action=0}
     action && /^Exec=.*%[fFuU]/{print; bad=1} END{exit bad}' \
  "$DIR/org.corvella.Corvella.desktop" || fail "a desktop action needs a file"
appstreamcli validate --no-net --explain "$DIR/org.corvella.Corvella.metainfo.xml"

mkdir -p "$TMP/mime/packages"
cp "$DIR/corvella.xml" "$TMP/mime/packages/"
XDG_DATA_HOME=$TMP XDG_DATA_DIRS=$TMP update-mime-database "$TMP/mime" 2>&1 | tee "$TMP/log"
[ ! -s "$TMP/log" ] || fail "update-mime-database complained"
for glob in '*.req' '*.REQ'; do
  grep -Fq "<glob pattern=\"$glob\"/>" "$DIR/corvella.xml" || fail "glob $glob"
done
# Globs match without regard to case: the database keeps the lower-case form.
grep -Fqx 'application/x-corvella-requests:*.req' "$TMP/mime/globs" || fail "glob in the database"
grep -aq '\[REQ1\]' "$TMP/mime/magic" || fail "magic [REQ1]"
grep -q 'Corvella Document' "$TMP/mime/application/x-corvella-requests.xml" || fail comment
echo "validate test passed"
