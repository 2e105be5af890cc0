#!/usr/bin/env bash
# bench/package_start.sh DEB [BUILD_DIR] [RUNS]: start-up of the installed layout against the build
# tree, measured in one run. The package is unpacked (dpkg-deb -x) into a scratch root; each start
# runs with a fresh home, so it includes the user's installation step and the copy of the demo
# network ("first start"), and again with that home kept ("next start").
#   - varnook: from exec to its main window mapped on a virtual X server (Xvfb, xdotool);
#   - varnook-cli servers: from exec to exit.
# Each home gets a runtime folder of its own, so each first start also starts its own demo server
# (nwsimd), which is stopped after that home's starts.
# Prints the median and the range of RUNS starts (default 7) of each.
set -euo pipefail
root_dir="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../scripts/lib/common.sh
source "$root_dir/scripts/lib/common.sh"
deb="$(realpath "$1")"
build="$(realpath "${2:-$root_dir/build}")"
runs="${3:-7}"

scratch="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
  for runtime in "$scratch"/home-*/runtime; do varnook_stop_demo_servers "$runtime"; done
  rm -rf "$scratch"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$scratch/root"

# Xvfb picks a free display itself and names it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$scratch/display" > /dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(head -n 1 "$scratch/display")"
export DISPLAY="$display"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# start_window BIN HOME: milliseconds from exec to the main window being mapped. A start that
# ends before its window shows (a lost connection to the X server) is tried again, twice at most.
start_window() {
  local bin="$1" home="$2" t0 pid attempt
  for attempt in 1 2 3; do
    t0="$(now_ms)"
    env -i HOME="$home" XDG_RUNTIME_DIR="$home/runtime" PATH=/usr/bin:/bin DISPLAY="$display" \
      LANG=C.UTF-8 "$bin/varnook" \
      > "$home/varnook.out" 2>&1 &
    pid=$!
    # xdotool's own --sync waits half a second between looks; look every 10 ms instead.
    until xdotool search --onlyvisible --name '^Varnook v' > /dev/null 2>&1; do
      kill -0 "$pid" 2> /dev/null || break
      sleep 0.01
    done
    if kill -0 "$pid" 2> /dev/null; then
      echo $(($(now_ms) - t0))
      kill "$pid" 2> /dev/null
      wait "$pid" 2> /dev/null || true
      return 0
    fi
    wait "$pid" 2> /dev/null || true
  done
  echo "varnook ($bin) ended before its window showed, three times:" >&2
  cat "$home/varnook.out" >&2
  exit 1
}

# run_cli BIN HOME: milliseconds of varnook-cli servers.
run_cli() {
  local bin="$1" home="$2" t0
  t0="$(now_ms)"
  env -i HOME="$home" XDG_RUNTIME_DIR="$home/runtime" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    "$bin/varnook-cli" servers > /dev/null
  echo $(($(now_ms) - t0))
}

# summary NAME VALUES...: median and range.
summary() {
  local name="$1"
  shift
  printf '%s\n' "$@" | sort -n | awk -v name="$name" '{ v[NR] = $1 }
    END { printf "%-44s median %5d ms  (min %d, max %d, %d runs)\n", name, v[int((NR + 1) / 2)], v[1], v[NR], NR }'
}

# The layouts take turns, and which goes first alternates, so a change in the machine's load (or
# a program still ending) touches both alike.
declare -A first=() next=()
for i in $(seq "$runs"); do
  order="installed build"
  [ $((i % 2)) -eq 0 ] && order="build installed"
  for what in window cli; do
    for layout in $order; do
      if [ "$layout" = installed ]; then bin="$scratch/root/usr/bin"; else bin="$build/bin"; fi
      home="$scratch/home-$layout-$what-$i"
      # Each home is another user's first start: its own runtime folder, so its own demo server.
      mkdir -p "$home"
      mkdir -m 0700 "$home/runtime"
      if [ "$what" = window ]; then
        first[$layout-$what]+=" $(start_window "$bin" "$home")"
        next[$layout-$what]+=" $(start_window "$bin" "$home")"
      else
        first[$layout-$what]+=" $(run_cli "$bin" "$home")"
        next[$layout-$what]+=" $(run_cli "$bin" "$home")"
      fi
      varnook_stop_demo_servers "$home/runtime"
    done
  done
done
for what in window cli; do
  label="varnook to its window"
  [ "$what" = cli ] && label="varnook-cli servers"
  for layout in installed build; do
    # shellcheck disable=SC2086
    summary "$label, $layout, first start" ${first[$layout-$what]}
    # shellcheck disable=SC2086
    summary "$label, $layout, next start" ${next[$layout-$what]}
  done
done
