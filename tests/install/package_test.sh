#!/usr/bin/env bash
# The Debian packages hold the files of the installed layout.
#   package_test.sh BUILD_DIR
set -euo pipefail
BUILD=$1
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

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
  /usr/bin/zeltctl /usr/share/man/man1/zeltctl.1.gz /usr/share/man/man3/zeltrpc.3.gz \
  /usr/share/bash-completion/completions/zeltctl
expect signsim /usr/bin/signsim /usr/share/man/man1/signsim.1.gz

# Nothing in two packages; the library only in its own.
dups=$(for p in corvella libzeltrpc1 libzeltrpc-dev signsim; do contents $p | grep -v '/$'; done |
  grep -v '^/usr/share/doc/' | sort | uniq -d)
[ -z "$dups" ] || fail "in more than one package: $dups"

# Dependencies come from the libraries the programs use.
depends=$(dpkg-deb -f "$TMP"/corvella_*.deb Depends)
for dep in 'libzeltrpc1 (= ' libqt6widgets6 libc6; do
  [[ $depends == *"$dep"* ]] || fail "corvella does not depend on $dep: $depends"
done
# Debian's checks find no error (warnings are allowed).
if command -v lintian > /dev/null; then
  status=0
  lintian --fail-on error --tag-display-limit 0 "$TMP"/*.deb > "$TMP/lintian.log" 2>&1 || status=$?
  grep -v 'root privileges' "$TMP/lintian.log" || true
  [ "$status" = 0 ] || fail "lintian reports errors"
fi
echo "package test passed"
