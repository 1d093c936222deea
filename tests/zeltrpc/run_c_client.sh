#!/bin/sh
# Runs a C client program against a separate signsim process in a private
# socket directory and checks the service's log.
# usage: run_c_client.sh SIGNSIM CLIENT [CONFIG_CLIENT]
# CONFIG_CLIENT, when given, runs next with the socket folder as its argument
# (and not in its environment).
# With ZELTRPC_BUILD_DIR set, first installs the library into a temporary
# prefix and builds CLIENT (a C source file) there through pkg-config.
set -eu
signsim=$1
client=$2
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
pid=

if [ -n "${ZELTRPC_BUILD_DIR:-}" ]; then
  for component in libzeltrpc1 libzeltrpc-dev; do
    cmake --install "$ZELTRPC_BUILD_DIR" --prefix "$work/prefix" --component $component >/dev/null
  done
  pc=$(find "$work/prefix" -name zeltrpc.pc)
  export PKG_CONFIG_PATH=$(dirname "$pc")
  libdir=$(pkg-config --variable=libdir zeltrpc)
  # shellcheck disable=SC2046
  ${CC:-cc} ${CFLAGS:-} -Wall -Wextra -o "$work/client" "$client" $(pkg-config --cflags --libs zeltrpc) -Wl,-rpath,"$libdir"
  client=$work/client
fi

export ZELTRPC_DIR="$work/sock"
"$signsim" > "$work/log" 2>&1 &
pid=$!
i=0
until grep -q "listening on" "$work/log"; do
  i=$((i + 1))
  if [ $i -gt 100 ]; then echo "signsim did not start"; cat "$work/log"; exit 1; fi
  sleep 0.05
done
"$client"
if [ -n "${3:-}" ]; then
  env -u ZELTRPC_DIR "$3" "$ZELTRPC_DIR"
fi
kill -TERM "$pid"
wait "$pid"
pid=
cat "$work/log"
grep -q "SendRealTimeDataPort(0, \[57\]" "$work/log"
grep -q "sign 03 mode 0 Continuous" "$work/log"
grep -q "GetStatus(\"SIGN1\", 256) -> 0" "$work/log"
grep -q "socket removed" "$work/log"
test ! -e "$ZELTRPC_DIR/zeltrpc"
echo "c client: ok"
