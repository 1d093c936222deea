#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (when missing), then
# configures and builds the project into build/.
#   scripts/setup.sh            install, configure, build
#   SETUP_SKIP_BUILD=1 ...      install only
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  cmake ninja-build g++ pkg-config binutils
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format
  xvfb xauth valgrind
  python3 libsmbclient libsmbclient-dev python3-impacket samba libnss-wrapper
  samba-ad-provision samba-dsdb-modules samba-vfs-modules winbind krb5-user
  desktop-file-utils appstream shared-mime-info
  dpkg-dev file lintian gzip devscripts libcups2-dev cups-daemon cups-client
  imagemagick librsvg2-bin x11-utils xdotool ccache
  abigail-tools groff-base man-db systemd
  dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0 orca speech-dispatcher
)

# Another package manager run (a new machine's unattended upgrades at boot)
# may hold dpkg's lock: apt-get waits for it rather than failing at once, and
# this says so, naming who holds it.
LOCK_WAIT_SECONDS=${SETUP_LOCK_WAIT_SECONDS:-1800}
APT=(apt-get -o "DPkg::Lock::Timeout=$LOCK_WAIT_SECONDS")
say_who_holds_the_lock() {
  local holders
  holders=$(lslocks --noheadings --output PID,COMMAND,PATH 2>/dev/null |
    awk '$3 ~ "^/var/lib/(dpkg/lock(-frontend)?|apt/lists/lock)$" { print $2 " (" $1 ")" }' |
    sort -u | paste -sd, -) || true
  [ -z "$holders" ] ||
    echo "setup: waiting up to ${LOCK_WAIT_SECONDS}s for the package manager's lock, held by $holders"
}

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "setup: installing ${missing[*]}"
  say_who_holds_the_lock
  $SUDO "${APT[@]}" update -qq
  say_who_holds_the_lock
  DEBIAN_FRONTEND=noninteractive $SUDO "${APT[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${SETUP_SKIP_BUILD:-0}" = 1 ] && exit 0

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc)"
