#!/usr/bin/env bash
# Syscalls of one whole run: ondra over a serial line against the least C
# client making the same exchange, and both programs on the simulated
# generators. Needs strace and a built tree (default: build/).
set -euo pipefail
bin=${1:-build/bin}
count() { # label, command...
  local label=$1; shift
  local log; log=$(mktemp)
  strace -f -c -o "$log" "$@" >/dev/null 2>&1 || true
  printf '%-34s %s syscalls\n' "$label" "$(awk '$NF == "total" {print $4}' "$log")"
  rm -f "$log"
}
# A pseudo-terminal that stays open for the serial runs.
coproc SIM { "$bin/fgsim" FG503 2>/dev/null; }
read -r addr <&"${SIM[0]}"
dev=${addr#ASRL}
count "minimal C client (serial)" "$bin/minimal_client" "$dev"
count "ondra (serial)" "$bin/ondra" "$addr" SIN 1000 2 0.5
count "ondra (simulated FG503)" "$bin/ondra" SIM::FG503 SIN 1000 2 0.5
count "velkar (simulated 33220A)" "$bin/velkar" SIM::33220A 5 INT OFF DEG 0
kill "$SIM_PID" 2>/dev/null || true
wait 2>/dev/null || true
# velkar's 37-line exchange (12 queries) over a serial line.
coproc SIM { "$bin/fgsim" 33220A 2>/dev/null; }
read -r addr <&"${SIM[0]}"
count "velkar (serial, 12 queries)" "$bin/velkar" "$addr" 5 INT OFF DEG 0
kill "$SIM_PID" 2>/dev/null || true
wait 2>/dev/null || true
