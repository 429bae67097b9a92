#!/usr/bin/env bash
# Runs console stations side by side on one fresh shared bus, twice, and checks that every
# script's expectations held and that both runs printed the same transcripts.
#   run_stations.sh CONSOLE WORKDIR SCRIPT[@ARG]...
# Each script runs in its own directory under WORKDIR; "${NODES}" in a script is the number of
# stations, "${ARG}" what follows its name after an "@", and "repeat N LINE" stands for N LINEs.
set -euo pipefail
console=$1 workdir=$2
shift 2
nodes=$#
. "$(dirname "$0")/expand_repeats.sh"
rm -rf "$workdir"
mkdir -p "$workdir"
run() {
  local round=$1
  shift
  local bus="test-$$-$RANDOM-$round" pids=() i=0 failed=0
  for script in "$@"; do
    local dir="$workdir/$round/$i"
    mkdir -p "$dir"
    local arg=
    [[ $script == *@* ]] && arg=${script#*@}
    expand_repeats "${script%%@*}" | sed -e "s/\${NODES}/$nodes/g" -e "s/\${ARG}/$arg/g" \
      > "$dir/script.xs"
    (cd "$dir" && exec timeout 120 "$console" --bus "$bus" script.xs > transcript 2>&1) &
    pids+=($!)
    i=$((i + 1))
  done
  i=0
  for pid in "${pids[@]}"; do
    if ! wait "$pid"; then
      echo "---- station $i of round $round failed; its transcript:"
      cat "$workdir/$round/$i/transcript"
      failed=1
    fi
    i=$((i + 1))
  done
  if [ -e "/dev/shm/xarn-bus-$bus" ]; then
    echo "the bus's shared memory outlived its stations"
    failed=1
  fi
  return $failed
}
run 1 "$@"
run 2 "$@"
for ((i = 0; i < nodes; i++)); do
  if ! diff -u "$workdir/1/$i/transcript" "$workdir/2/$i/transcript"; then
    echo "station $i printed another transcript the second time"
    exit 1
  fi
done
echo "$nodes stations on one bus: expectations held, transcripts the same twice"
