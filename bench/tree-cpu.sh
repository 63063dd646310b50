#!/usr/bin/env bash
# Runs a command and prints the processor time, in ms, that it and every process it starts used (the
# browser engine runs in several processes). Counted by a cpuacct control group, so other work on a shared
# machine does not count; needs root and a cgroup v1 cpuacct hierarchy.
#   bench/tree-cpu.sh command [arguments...]
set -euo pipefail
root=/sys/fs/cgroup/cpuacct
[[ -w $root ]] || { echo "needs root and $root" >&2; exit 2; }
group=$root/quarnel-bench-$$
mkdir "$group"
trap 'rmdir "$group" 2>/dev/null || true' EXIT
status=0
sh -c 'echo $$ >"$1/cgroup.procs"; shift; exec "$@"' sh "$group" "$@" >/dev/null 2>&1 || status=$?
# Engine processes may still be ending; their time counts too.
for _ in $(seq 50); do [[ -s $group/cgroup.procs ]] || break; sleep 0.1; done
echo "processor time of the process tree: $(( $(cat "$group/cpuacct.usage") / 1000000 )) ms (exit status $status)"
