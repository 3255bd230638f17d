#!/usr/bin/env bash
# Frames per second of hox-bench-cluster's 1280x720 scene on the local engine
# and on hox-cluster-master with 1, 2 and 3 MPI ranks on this machine, with
# and without image compression, and the bytes on the wire per frame (from
# the master's --verbose log).
#
#   scripts/bench-cluster.sh [BUILD_DIR] [FRAMES]
set -euo pipefail

build=${1:-build-mpi}
frames=${2:-20}
bench="$build/bench/hox-bench-cluster"
master="$build/tools/hox-cluster-master/hox-cluster-master"
shaders="$build/src"
cores=$(nproc)

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

echo "local engine ($cores threads): $("$bench" --frames "$frames")"

for ranks in 1 2 3; do
  # Render threads per rank: the machine's cores shared out, at least one.
  threads=$(( cores / ranks )); [ "$threads" -lt 1 ] && threads=1
  for level in 0 0.25; do
    port=$(free_port)
    log=$(mktemp)
    mpirun --bind-to none --oversubscribe --allow-run-as-root -np "$ranks" "$master" --port "$port" \
      --shader-path "$shaders" --threads "$threads" --verbose >"$log" 2>&1 &
    job=$!
    for _ in $(seq 100); do grep -q "listening on port $port" "$log" && break; sleep 0.1; done
    result=$("$bench" --cluster "127.0.0.1:$port" --compression "$level" --frames "$frames")
    # Bytes of the timed frames only (the first frame also carries the scene).
    bytes=$(grep -o '[0-9]* image bytes, [0-9]* command bytes' "$log" | tail -n "$frames" |
            awk '{ i += $1; c += $4; n++ } END { if (n) printf "%d image + %d command bytes per frame", i / n, c / n }')
    echo "cluster, $ranks rank(s) x $threads thread(s), compression $level: $result; $bytes"
    kill -TERM "$job" 2>/dev/null || true
    wait "$job" 2>/dev/null || true
    rm -f "$log"
  done
done
