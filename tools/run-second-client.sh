#!/usr/bin/env bash
# Starts a second client beside the one `make run` started, as a second user
# of this machine would have it: settings and folders of its own (under the
# build folder) and a peer port of its own, 8200, kept in its settings so
# that the server tells the others where to find it. Arguments go to the
# client (a launcher argument, for instance).
set -euo pipefail
build_dir=${1:-build}
shift || true
home="$(cd "$build_dir" && pwd)/second-client"
mkdir -p "$home/config/kelo" "$home/data"
mkdir -p -m 700 "$home/run"
settings="$home/config/kelo/tamblo.ini"
[ -f "$settings" ] || printf '[general]\npeer_port=8200\n' > "$settings"
unset TAMBLO_PEER_PORT
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
exec "$build_dir/shell/ui/tamblo" "$@"
