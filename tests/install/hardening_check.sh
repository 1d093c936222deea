#!/usr/bin/env bash
# Every program and library in the given Debian packages is built hardened
# (hardening-check: PIE, stack protector, fortified calls, read-only
# relocations bound at start) and carries no run path. Control-flow
# protection is not required: the system's own start-up objects lack its
# marking, so no program linked here (Debian's own neither) gets it.
#   hardening_check.sh PACKAGE.deb...
set -euo pipefail
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
status=0
for deb in "$@"; do
  dpkg-deb -x "$deb" "$TMP/root"
done
while IFS= read -r -d '' file; do
  file -b "$file" | grep -q '^ELF' || continue
  if ! out=$(hardening-check --nocfprotection "$file" 2>&1); then
    echo "$out"
    status=1
  fi
  if readelf -d "$file" | grep -Eq '\((RUNPATH|RPATH)\)'; then
    echo "${file#"$TMP/root"}: run path $(readelf -d "$file" | grep -E 'RUNPATH|RPATH')"
    status=1
  fi
done < <(find "$TMP/root" -type f -print0)
exit $status
