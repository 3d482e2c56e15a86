#!/bin/sh
# The title screen's idle cost: the real program under a virtual X server,
# left alone on its main menu; the processor time it takes over 10 seconds
# (user and system, all its threads, from /proc), as a share of one core.
#
#   bench/title_idle_cpu.sh [build folder]      (default: build)
#
# The X server's own work of showing the frames is not counted.
set -eu
build=$(cd "${1:-build}" && pwd)
probe="$build/tests/xvfb/xprobe"
exec xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
  build=$1; probe=$2
  log=$(mktemp)
  cd "$build/game" && ./zarquel >"$log" 2>&1 & pid=$!
  "$probe" wait Zarquel 30
  for i in $(seq 300); do grep -q "Resource Loading Time" "$log" && break; sleep 0.1; done
  "$probe" move Zarquel 20 20
  sleep 2
  ticks() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  t0=$(ticks); s0=$(date +%s.%N)
  sleep 10
  t1=$(ticks); s1=$(date +%s.%N)
  "$probe" close Zarquel
  wait $pid
  rm -f "$log"
  echo "$t0 $t1 $s0 $s1 $(getconf CLK_TCK)" |
    awk "{ printf \"title idle: %.1f%% of one core over %.1f s\\n\", 100 * (\$2 - \$1) / \$5 / (\$4 - \$3), \$4 - \$3 }"
' sh "$build" "$probe"
