#!/usr/bin/env bash
# Runs the whole suite. As root it first enters a private network namespace
# with only a loopback interface, so no test can reach another machine
# whatever it does; tests that need the namespace see TAMBLO_NETNS=1.
set -euo pipefail
build_dir=${1:-build}
shift || true
jobs=$(nproc)
# A test without its own time-out that hangs ends after this many seconds,
# not after CTest's 25 minutes.
timeout_s=300

if [ "${TAMBLO_NETNS:-}" = "1" ]; then
  ip link set lo up
  exec ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout "$timeout_s" "$@"
fi

if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n env TAMBLO_NETNS=1 "$0" "$build_dir" "$@"
fi

echo "run-tests: not root or no network namespaces: tests that need one will skip"
exec ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout "$timeout_s" "$@"
