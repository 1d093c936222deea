#!/usr/bin/env bash
# The Debian packages hold the files of the installed layout, pass lintian
# without errors or warnings and hardening-check, and come out the same
# bytes when made again.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
BUILD=$1
SOURCE=$2
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$SOURCE" log -1 --format=%ct 2>/dev/null || echo 0)}
cpack --config "$BUILD/CPackConfig.cmake" -B "$TMP" > "$TMP/cpack.log" 2>&1 || { cat "$TMP/cpack.log"; fail cpack; }

contents() { dpkg-deb -c "$TMP"/$1_*.deb | awk '{print $6}' | sed 's|^\./|/|'; }
expect() {
  local package=$1; shift
  local list
  list=$(contents "$package")
  for pattern in "$@"; do
    grep -Eq "^$pattern\$" <<< "$list" || fail "$package lacks $pattern"
  done
}
expect corvella /usr/bin/corvella /usr/share/corvella/examples/BASK.REQ \
  /usr/share/corvella/examples/CORVELLA.INI /usr/share/applications/org.corvella.Corvella.desktop \
  /usr/share/mime/packages/corvella.xml /usr/share/metainfo/org.corvella.Corvella.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/corvella.svg /usr/share/icons/hicolor/256x256/apps/corvella.png \
  /usr/share/man/man1/corvella.1.gz /usr/share/doc/corvella/copyright
expect libzeltrpc1 '/usr/lib/(.*/)?libZeltRpc.so.1' '/usr/lib/(.*/)?libZeltRpc.so.1.0.0'
expect libzeltrpc-dev /usr/include/zeltrpc.h '/usr/lib/(.*/)?libZeltRpc.so' \
  '/usr/lib/(.*/)?pkgconfig/zeltrpc.pc' '/usr/lib/(.*/)?cmake/ZeltRpc/ZeltRpcConfig.cmake' \
  /usr/share/man/man3/zeltrpc.3.gz
expect signsim /usr/bin/signsim /usr/share/man/man1/signsim.1.gz \
  /usr/lib/systemd/user/signsim.service /usr/lib/systemd/system/signsim-samba.service
expect zeltctl /usr/bin/zeltctl /usr/share/man/man1/zeltctl.1.gz \
  /usr/share/bash-completion/completions/zeltctl
# No program among the development files.
! contents libzeltrpc-dev | grep -q '^/usr/bin/.' || fail "libzeltrpc-dev holds a program"
# ldconfig runs through the trigger only.
dpkg-deb -e "$TMP"/libzeltrpc1_*.deb "$TMP/control"
grep -qx 'activate-noawait ldconfig' "$TMP/control/triggers" || fail "no ldconfig trigger"
! grep -qs ldconfig "$TMP/control/postinst" "$TMP/control/postrm" || fail "a maintainer script calls ldconfig"

# Nothing in two packages; the library only in its own.
dups=$(for p in corvella libzeltrpc1 libzeltrpc-dev signsim zeltctl; do contents $p | grep -v '/$'; done |
  grep -v '^/usr/share/doc/' | sort | uniq -d)
[ -z "$dups" ] || fail "in more than one package: $dups"

# Dependencies come from the libraries the programs use.
depends=$(dpkg-deb -f "$TMP"/corvella_*.deb Depends)
for dep in 'libzeltrpc1 (= ' libqt6widgets6 libc6; do
  [[ $depends == *"$dep"* ]] || fail "corvella does not depend on $dep: $depends"
done
# Debian's checks find no error and no warning (information is shown).
if command -v lintian > /dev/null; then
  status=0
  lintian --fail-on error,warning --tag-display-limit 0 "$TMP"/*.deb > "$TMP/lintian.log" 2>&1 ||
    status=$?
  grep -v 'root privileges' "$TMP/lintian.log" || true
  [ "$status" = 0 ] || fail "lintian reports errors or warnings"
fi
if command -v hardening-check > /dev/null; then
  "$SOURCE/tests/install/hardening_check.sh" "$TMP"/*.deb || fail "hardening-check"
fi

# Made again after the build's files were touched (as a later build of the
# same commit leaves them): the same bytes.
find "$BUILD" -type f \( -name 'libZeltRpc.so*' -o -name corvella -o -name signsim -o -name zeltctl \
  -o -name '*.gz' \) -exec touch {} +
mkdir "$TMP/again"
cpack --config "$BUILD/CPackConfig.cmake" -B "$TMP/again" > "$TMP/cpack.log" 2>&1 ||
  { cat "$TMP/cpack.log"; fail "cpack again"; }
for deb in "$TMP"/*.deb; do
  cmp "$deb" "$TMP/again/${deb##*/}" || fail "${deb##*/} differs when made again"
done
echo "package test passed"
