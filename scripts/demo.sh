#!/usr/bin/env bash
# Installs what is needed, builds the program and the device simulator, and starts both: the
# simulator plays an Arvel7 device on a pseudo-terminal, writing itself into the program
# folder's CRV_Config.ini ("Ports" section), and the program connects to it. Without a
# configuration the demo writes one that names the Arvel7 panel and the simulator's port.
# Closing the program ends the simulator; Ctrl-C ends both.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_TESTS=OFF

bin=build/bin
config=$bin/CRV_Config.ini
had_config=0
[ -e "$config" ] && had_config=1

run=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$run"
}
trap cleanup EXIT

"$bin/corvane-sim" --product arvel7 --config "$config" --path-file "$run/path" \
  --log build/corvane-sim.log &
sim_pid=$!
for _ in $(seq 100); do
  [ -s "$run/path" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { echo "demo: the simulator did not start" >&2; exit 1; }
  sleep 0.1
done
terminal=$(head -n 1 "$run/path")
port=$(sed -n "s|^COM\([0-9]*\)=${terminal}\$|\1|p" "$config" | head -n 1)
if [ -z "$port" ]; then
  echo "demo: the simulator's port is missing from $config" >&2
  exit 1
fi

if [ "$had_config" = 0 ]; then
  printf '[Section]\nKey=Arvel7.uir\nPower=%s\n' "$port" >>"$config"
fi
echo "demo: simulated Arvel7 on COM$port ($terminal); its traffic goes to build/corvane-sim.log"
[ "$had_config" = 1 ] && echo "demo: $config was kept; choose COM$port in the port list"

"$bin/corvane-control" "$@"
