#!/bin/bash
# Queues the extraction of LIST in N array tasks, and the merge after them (afterany: a task whose pages
# partly failed still completes its shard; the merge refuses a shard that is not complete, by name).
#   examples/slurm/submit.sh LIST OUT N [sbatch options...]   prints the two job ids
set -eu
list=$(realpath "$1") out=$(realpath "$2") n=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
export LIST=$list OUT=$out QUARNEL_CLI=${QUARNEL_CLI:-quarnel-cli}
array=$(sbatch --parsable --array=1-"$n" --output="$out/task-%a.log" --export=ALL "$@" "$here/extract.sbatch")
array=${array%%;*} # "ID;CLUSTER"
merge=$(sbatch --parsable --dependency=afterany:"$array" --output="$out/merge.log" --export=ALL "$@" \
    "$here/merge.sbatch")
echo "$array ${merge%%;*}"
