#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build (make fuzz) for the given seconds,
# several at once, from the seeds fuzz_seeds writes and the corpus earlier
# runs left in the build folder. As root it runs inside a private network
# namespace, as the tests do: the server's target talks over loopback.
set -uo pipefail
build_dir=${1:-build-fuzz}
seconds=${2:-30}

if [ "${TAMBLO_NETNS:-}" != "1" ] && [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n env TAMBLO_NETNS=1 "$0" "$build_dir" "$seconds"
fi
[ "${TAMBLO_NETNS:-}" = "1" ] && ip link set lo up

# Reports name functions and lines.
[ -x /usr/lib/llvm-14/bin/llvm-symbolizer ] && export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/sanitizer/lsan.supp"
fuzz="$build_dir/fuzz"
work="$build_dir/fuzz-work"
rm -rf "$work/seeds" "$work/logs"
mkdir -p "$work/logs" "$work/artifacts"
"$fuzz/fuzz_seeds" "$work/seeds" || exit 1

targets=()
for t in "$fuzz"/*_fuzz; do
  [ -f "$t" ] && [ -x "$t" ] && targets+=("$(basename "$t")")
done
parallel=$(( $(nproc) / 2 ))
[ "$parallel" -ge 1 ] || parallel=1

run_one() {
  local name=$1 seeds="$work/seeds/${1%_fuzz}" corpus="$work/corpus/$1"
  mkdir -p "$corpus" "$seeds"
  "$fuzz/$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$name-" "$corpus" "$seeds" > "$work/logs/$name.log" 2>&1
}

declare -A pid_of
for name in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n; done
  run_one "$name" &
  pid_of[$name]=$!
done

failed=0
for name in "${targets[@]}"; do
  if wait "${pid_of[$name]}"; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/logs/$name.log" | grep -o '[0-9]*$')
    echo "fuzz: $name: ${runs:-?} inputs in ${seconds} s, nothing found"
  else
    failed=1
    echo "fuzz: $name FOUND A FAULT (log $work/logs/$name.log; input under $work/artifacts/):"
    grep -m1 -A14 -E "ERROR|runtime error" "$work/logs/$name.log"
  fi
done
exit "$failed"
