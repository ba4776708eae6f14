# Shared by scripts/test, scripts/demo and the benchmark: installing what is
# missing and building. Sourced, never run.

TABVALE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TABVALE_BUILD_DIR=${TABVALE_BUILD_DIR:-$TABVALE_ROOT/build}

say() { printf '%s\n' "$*" >&2; }

# A TCP port on 127.0.0.1 that nothing listens on right now.
free_loopback_port() {
  /usr/bin/python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

# The shared object FILE of a Debian ODBC driver PACKAGE, as the package lists
# it, else where Debian puts it on this architecture.
odbc_driver_path() {
  local so
  so=$(dpkg -L "$1" 2>/dev/null | grep "/$2\$" | head -n1)
  printf '%s\n' "${so:-/usr/lib/x86_64-linux-gnu/odbc/$2}"
}

install_packages() {
  local missing=() pkg list
  for list in "$TABVALE_ROOT/scripts/lib/packages.txt" "$@"; do
    while read -r pkg; do
      [[ -z $pkg || $pkg == \#* ]] && continue
      dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done < "$list"
  done
  ((${#missing[@]} == 0)) && return 0
  say "Installing: ${missing[*]}"
  if [[ $(id -u) -ne 0 ]]; then
    say "These Debian packages are missing and installing them needs root: ${missing[*]}"
    return 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # The services are started privately by our scripts; Debian must not start
  # its own cluster or scheduler on the standard ports while installing.
  printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d && chmod +x /usr/sbin/policy-rc.d
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
  rm -f /usr/sbin/policy-rc.d
}

# Configures and builds; with target names, only those (and what they need).
# TABVALE_CMAKE_OPTIONS adds options to the configuration.
build_program() {
  local targets=()
  (($# > 0)) && targets=(--target "$@")
  # shellcheck disable=SC2086
  cmake -S "$TABVALE_ROOT" -B "$TABVALE_BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    ${TABVALE_CMAKE_OPTIONS:-} >/dev/null
  cmake --build "$TABVALE_BUILD_DIR" -j"$(nproc)" "${targets[@]}"
}
