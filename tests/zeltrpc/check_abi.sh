#!/bin/sh
# Compares the built libZeltRpc.so.1 with the stored description of its ABI
# (zeltrpc/libZeltRpc.abi): the exported functions, their version node and
# the types of their parameters and results. Any difference fails: a removed
# function or a changed parameter type breaks programs built against the
# library. A deliberate, compatible change (a function added under a new
# version node) is recorded by writing the description anew:
#   cmake --build build --target zeltrpc_abi_dump
# usage: check_abi.sh ABIDIFF STORED LIBRARY HEADERS
set -u
abidiff=$1 stored=$2 library=$3 headers=$4
"$abidiff" --exported-interfaces-only --fail-no-debug-info --drop-private-types \
  --headers-dir2 "$headers" "$stored" "$library"
rc=$?
if [ "$rc" -eq 0 ]; then
  echo "the ABI of $library matches $stored"
  exit 0
fi
# abidiff's status is a bit set: 1 error, 2 usage error, 4 ABI change,
# 8 incompatible change.
if [ $((rc & 3)) -ne 0 ]; then
  echo "abidiff could not compare (status $rc)" >&2
elif [ $((rc & 8)) -ne 0 ]; then
  echo "incompatible ABI change: programs built against the library would break" >&2
else
  echo "the ABI changed (see above); if the change is compatible and meant, write the description anew" >&2
fi
exit 1
