#!/usr/bin/env bash
# Builds the Debian packages corvella, libzeltrpc1, libzeltrpc-dev and
# signsim into build/packages/ and checks them with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

OUT=${PACKAGE_DIR:-build/packages}
cpack --config build/CPackConfig.cmake -B "$OUT"
rm -rf "$OUT/_CPack_Packages"
ls -1 "$OUT"/*.deb
# Errors fail the script; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$OUT"/*.deb
