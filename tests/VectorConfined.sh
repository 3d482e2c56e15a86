#!/bin/sh
# The program must start and play on a processor without AVX: only the
# rasteriser's AVX2 rows, which it calls after asking the processor, may hold
# VEX-encoded instructions. Lists every other function of the program that
# holds one (a copy of an inline function built for AVX2 that the linker kept
# for everyone, say) and fails if there is any.
set -e
binary="$1"
objdump -d --no-show-raw-insn -C "$binary" > "${TMPDIR:-/tmp}/vector-confined.$$"
trap 'rm -f "${TMPDIR:-/tmp}/vector-confined.$$"' EXIT
awk '
    /^[0-9a-f]+ <.*>:$/ { function_name = $0; next }
    $2 ~ /^v[a-z]/ && function_name !~ /Vorn::SWTri::Avx2::/ && !(function_name in seen) {
        seen[function_name] = 1
        print "VEX outside the AVX2 rows: " function_name
        found = 1
    }
    END { exit found }
' "${TMPDIR:-/tmp}/vector-confined.$$"
