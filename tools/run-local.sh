#!/usr/bin/env bash
# Starts a local tamblo-server on 127.0.0.1:9081 and the client beside it.
# When the server cannot start (the port is taken, ...) the client is not
# started: the server's own message is the last thing shown.
set -euo pipefail
build_dir=${1:-build}
shift || true
server="$build_dir/server/tamblo-server"
port=9081
server_pid=""
if [ -x "$server" ]; then
  log=$(mktemp)
  "$server" --listen "127.0.0.1:$port" > >(tee "$log") 2>&1 &
  server_pid=$!
  trap 'kill "$server_pid" 2>/dev/null || true; rm -f "$log"' EXIT
  for _ in $(seq 100); do
    grep -q "listening on" "$log" && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
      status=0
      wait "$server_pid" || status=$?
      sleep 0.1 # tee writes the last lines
      echo "run-local: tamblo-server could not start (exit status $status):" >&2
      tail -n 3 "$log" >&2
      exit 1
    fi
    sleep 0.1
  done
  if ! grep -q "listening on" "$log"; then
    echo "run-local: tamblo-server did not start listening on 127.0.0.1:$port within 10 s" >&2
    exit 1
  fi
fi
"$build_dir/shell/ui/tamblo" "$@"
