#!/usr/bin/env bash
# Starts the client (and, once built, a local tamblo-server on 127.0.0.1:9081).
set -euo pipefail
build_dir=${1:-build}
shift || true
server="$build_dir/server/tamblo-server"
server_pid=""
if [ -x "$server" ]; then
  "$server" --listen 127.0.0.1:9081 &
  server_pid=$!
  trap 'kill "$server_pid" 2>/dev/null || true' EXIT
fi
"$build_dir/shell/ui/tamblo" "$@"
