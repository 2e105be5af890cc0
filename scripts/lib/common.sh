# Shared by scripts/run and scripts/test: installs what the build needs and configures a build tree.
# shellcheck shell=bash

VARNOOK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian packages the build, the tests and the fuzzers need.
VARNOOK_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-dev pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  nlohmann-json3-dev libsqlite3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-dev pybind11-dev python3-pytest
  xdg-utils
  libasio-dev
  tshark nmap
  # The Debian package and its checks (scripts/package, scripts/check-package).
  dpkg-dev lintian desktop-file-utils appstream man-db bash-completion librsvg2-bin
  binutils util-linux python3
  # bench/package_start.sh: start-up to the window on a virtual X server.
  xvfb xdotool
)

varnook_install_packages() {
  local missing=()
  local pkg
  for pkg in "${VARNOOK_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  # tshark's package asks whether non-root users may capture; answer no before it can ask.
  echo "wireshark-common wireshark-common/install-setuid boolean false" |
    "${sudo[@]}" debconf-set-selections
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# varnook_build DIR [cmake options...]: configure (once) and build a tree.
varnook_build() {
  local dir="$1"
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$VARNOOK_ROOT" -B "$dir" -G Ninja "$@"
  fi
  cmake --build "$dir" -j "${VARNOOK_JOBS:-2}"
}

# varnook_stop_demo_servers RUNTIME_DIR: stops every nwsimd whose runtime file lies in
# RUNTIME_DIR/varnook (the demo servers the tests' programs started there), and waits until each
# has gone. A pid that no longer belongs to an nwsimd is left alone.
varnook_stop_demo_servers() {
  local file pid _
  for file in "$1"/varnook/*.servers.json; do
    [ -f "$file" ] || continue
    pid="$(sed -n 's/.*"pid": *\([0-9][0-9]*\).*/\1/p' "$file" | head -n 1)"
    [ -n "$pid" ] && grep -q nwsimd "/proc/$pid/cmdline" 2>/dev/null || continue
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  done
}
