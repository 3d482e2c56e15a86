#!/bin/sh
# What the real program costs the processor, under a virtual X server: the
# processor time it takes over 10 seconds (user and system, all its threads,
# from /proc), as a share of one core, in one of two states:
#   title  left alone on its main menu;
#   stage  PLAY and NORMAL clicked on the title, the balls left to roll in
#          (a save folder of its own, so that no saved game is offered).
#
#   bench/program_cpu.sh title|stage [build folder] [runs]
#                                       (default: build, 1 run)
#
# The X server's own work of showing the frames is not counted. On a shared
# machine one run varies by a fifth either way: with more runs each is
# printed, then their median.
set -eu
state=$1
build=$(cd "${2:-build}" && pwd)
runs=${3:-1}
case $runs in '' | *[!0-9]* | 0*) echo "runs must be a whole number from 1: $runs" >&2; exit 2 ;; esac
if [ "$runs" -gt 1 ]; then
  shares=$(mktemp)
  for i in $(seq "$runs"); do "$0" "$state" "$build" 1; done | tee "$shares"
  status=0
  sed -n 's/.*: \([0-9.]*\)% of one core.*/\1/p' "$shares" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) exit 1; m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                              printf "median of %d runs: %.1f%% of one core\n", NR, m }' || status=$?
  rm -f "$shares"
  exit $status
fi
probe="$build/tests/xvfb/xprobe"
exec xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
  state=$1; build=$2; probe=$3
  log=$(mktemp); data=$(mktemp -d)
  cd "$build/game" && XDG_DATA_HOME="$data" ./zarquel >"$log" 2>&1 & pid=$!
  "$probe" wait Zarquel 30
  for i in $(seq 300); do grep -q "Resource Loading Time" "$log" && break; sleep 0.1; done
  "$probe" move Zarquel 20 20
  if [ "$state" = stage ]; then
    # The PLAY button is up when its blue shows with the pointer away from
    # it; the board when its menu button shows in the corner.
    for i in $(seq 300); do [ "$("$probe" pixel Zarquel 280 240)" = 3a8dcc ] && break; sleep 0.1; done
    "$probe" click Zarquel 400 240
    sleep 1.5
    "$probe" click Zarquel 400 340
    for i in $(seq 300); do [ "$("$probe" pixel Zarquel 700 14)" = 3c8dcc ] && break; sleep 0.1; done
    "$probe" move Zarquel 20 590
  fi
  sleep 2
  ticks() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  t0=$(ticks); s0=$(date +%s.%N)
  sleep 10
  t1=$(ticks); s1=$(date +%s.%N)
  "$probe" close Zarquel
  wait $pid || true
  rm -rf "$log" "$data"
  what=$([ "$state" = stage ] && echo "stage in play" || echo "title idle")
  echo "$t0 $t1 $s0 $s1 $(getconf CLK_TCK)" |
    awk -v what="$what" "{ printf \"%s: %.1f%% of one core over %.1f s\\n\", what, 100 * (\$2 - \$1) / \$5 / (\$4 - \$3), \$4 - \$3 }"
' sh "$state" "$build" "$probe"
