#!/bin/sh
# What a stage in play costs: the real program with a game at NORMAL begun
# and its balls rolling in (bench/program_cpu.sh).
#
#   bench/stage_cpu.sh [build folder] [runs]      (default: build, 1 run)
exec "$(dirname "$0")/program_cpu.sh" stage "$@"
