#!/bin/sh
# The title screen's idle cost: the real program left alone on its main menu
# (bench/program_cpu.sh).
#
#   bench/title_idle_cpu.sh [build folder] [runs]      (default: build, 1 run)
exec "$(dirname "$0")/program_cpu.sh" title "$@"
