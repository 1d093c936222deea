#!/usr/bin/env bash
# Builds the Debian packages corvella, libzeltrpc1, libzeltrpc-dev, signsim
# and zeltctl into build/packages/ and checks them with lintian and
# hardening-check. Two runs on the same commit give the same bytes: every
# time in the packages is the last commit's (SOURCE_DATE_EPOCH).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH

OUT=${PACKAGE_DIR:-build/packages}
cpack --config build/CPackConfig.cmake -B "$OUT"
rm -rf "$OUT/_CPack_Packages"
ls -1 "$OUT"/*.deb
# Errors and warnings fail the script; information is shown.
lintian --fail-on error,warning --tag-display-limit 0 "$OUT"/*.deb
tests/install/hardening_check.sh "$OUT"/*.deb
