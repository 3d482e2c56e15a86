#!/bin/sh
# What a stage in play costs the processor: the real program under a virtual
# X server, PLAY and NORMAL clicked on its title, the balls left rolling in
# untouched; the processor time it takes over 10 seconds once the board is
# up (user and system, all its threads, from /proc), as a share of one core.
#
#   bench/stage_cpu.sh [build folder]      (default: build)
#
# The X server's own work of showing the frames is not counted.
set -eu
build=$(cd "${1:-build}" && pwd)
probe="$build/tests/xvfb/xprobe"
exec xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
  build=$1; probe=$2
  log=$(mktemp); data=$(mktemp -d)
  cd "$build/game" && XDG_DATA_HOME="$data" ./zarquel >"$log" 2>&1 & pid=$!
  "$probe" wait Zarquel 30
  for i in $(seq 300); do grep -q "Resource Loading Time" "$log" && break; sleep 0.1; done
  # The PLAY button is up when its blue shows with the pointer away from it;
  # the board when its menu button shows in the corner.
  "$probe" move Zarquel 20 20
  for i in $(seq 300); do [ "$("$probe" pixel Zarquel 280 240)" = 3a8dcc ] && break; sleep 0.1; done
  "$probe" click Zarquel 400 240
  sleep 1.5
  "$probe" click Zarquel 400 340
  for i in $(seq 300); do [ "$("$probe" pixel Zarquel 700 14)" = 3c8dcc ] && break; sleep 0.1; done
  "$probe" move Zarquel 20 590
  sleep 2
  ticks() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  t0=$(ticks); s0=$(date +%s.%N)
  sleep 10
  t1=$(ticks); s1=$(date +%s.%N)
  "$probe" close Zarquel
  wait $pid || true
  rm -rf "$log" "$data"
  echo "$t0 $t1 $s0 $s1 $(getconf CLK_TCK)" |
    awk "{ printf \"stage in play: %.1f%% of one core over %.1f s\\n\", 100 * (\$2 - \$1) / \$5 / (\$4 - \$3), \$4 - \$3 }"
' sh "$build" "$probe"
