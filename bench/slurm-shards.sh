#!/usr/bin/env bash
# A real one-node Slurm cluster on this machine (Debian's slurm-wlm and munge, every daemon on localhost
# with a configuration of its own in a temporary folder): examples/slurm/submit.sh runs 400 loopback pages
# (answered after 50 ms) as a job array of 4 tasks and then the merge; one task is requeued while it runs
# (scontrol requeue), and the merged file must still be byte for byte the file of one process over the
# whole list, which is timed beside it. Then the merge alone over 100,000 rows (4 shards of 400 pages of
# 250 lines each). Needs root.
#   bench/slurm-shards.sh [build] [pages, default 400]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
pages=${2:-400}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
for tool in slurmctld slurmd munged sbatch; do
    command -v $tool >/dev/null || { echo "skipped: $tool is not installed (apt-get install slurm-wlm munge)"; exit 0; }
done
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
    scancel --quiet --full -u root 2>/dev/null || true
    for pid in $(cat "$work"/*.pid 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
    kill $(jobs -p) 2>/dev/null || true
    for _ in $(seq 1 50); do pgrep -x slurmctld >/dev/null || pgrep -x slurmd >/dev/null || break; sleep 0.1; done
    rm -rf "$work"
}
[[ -n "${KEEP:-}" ]] || trap cleanup EXIT
cd "$work"

# munge: a key and a socket of this cluster's own.
mkdir -p munge && chmod 700 munge
dd if=/dev/urandom of=munge/key bs=1024 count=1 status=none && chmod 400 munge/key
munged --force --key-file="$work/munge/key" --socket="$work/munge/socket" --pid-file="$work/munged.pid" \
    --log-file="$work/munge/log" --seed-file="$work/munge/seed"
mkdir -p state spool
port=$((20000 + RANDOM % 20000))
node=$(hostname -s)
cat >slurm.conf <<CONF
ClusterName=quarnel
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$((port + 1))
SlurmdPort=$((port + 2))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/backfill
ReturnToService=2
SlurmdParameters=config_overrides
MpiDefault=none
NodeName=$node NodeAddr=127.0.0.1 CPUs=8 RealMemory=16000 State=UNKNOWN
PartitionName=main Nodes=$node Default=YES MaxTime=INFINITE State=UP OverSubscribe=YES
CONF
export SLURM_CONF=$work/slurm.conf
slurmctld -f "$SLURM_CONF"
slurmd -f "$SLURM_CONF"
for _ in $(seq 1 30); do sinfo -h -o %T 2>/dev/null | grep -q idle && break; sleep 1; done
sinfo -h -o "%P %D %T" | sed 's/^/slurm: /'

python3 "$here/page-server.py" "$port" 50 2>/dev/null &
sleep 1
for i in $(seq 0 $((pages - 1))); do echo "127.0.0.1:$port/page$i.html"; done >urls
cli="$build/quarnel-cli"
export QUARNEL_CLI=$cli

s=$(date +%s.%N)
"$cli" --quiet --rendered --format jsonl --input urls --output single.jsonl
e=$(date +%s.%N)
single=$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.1f", e - s }')

mkdir out
s=$(date +%s.%N)
read -r array merge < <("$repo/examples/slurm/submit.sh" urls out 4)
# Requeue task 2 once it runs and has written a few entries: Slurm stops it (SIGTERM) and starts it again.
for _ in $(seq 1 200); do
    [[ $(squeue -h -j "${array}_2" -o %T 2>/dev/null) == RUNNING ]] && [[ -s out/shard-2.jsonl ]] && break
    sleep 0.1
done
before=$(grep -c '^done' out/shard-2.jsonl.quarnel-resume || true)
scontrol requeue "${array}_2"
requeued=$(date +%s.%N)
for _ in $(seq 1 100); do [[ $(squeue -h -j "${array}_2" -o %T 2>/dev/null) == PENDING ]] && break; sleep 0.2; done
echo "requeued task 2 after $((before - 1)) of its entries: $(squeue -h -j "${array}_2" -o 'state %T, reason %r')"
# Slurm holds a requeued job back for about two minutes (reason BeginTime); an operator may let it go at once.
scontrol update JobId="${array}_2" StartTime=now || true
restarted=
while squeue -h -j "$merge" 2>/dev/null | grep -q .; do
    if [[ -z $restarted && $(squeue -h -j "${array}_2" -o %T 2>/dev/null) == RUNNING ]]; then
        restarted=$(date +%s.%N)
        echo "task 2 ran again $(awk -v s="$requeued" -v e="$restarted" 'BEGIN { printf "%.1f", e - s }') s after its requeue ($(squeue -h -j "${array}_2" -o %r))"
    fi
    sleep 0.2
done
e=$(date +%s.%N)
slurm=$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.1f", e - s }')
restarts=$(grep -c . out/task-2.log 2>/dev/null || true)
cmp single.jsonl out/all.jsonl && same="byte for byte the same ($(wc -l <single.jsonl) rows)" || same="DIFFERENT"
echo "$pages pages: one process ${single} s; Slurm array of 4 tasks, one requeued, and the merge: ${slurm} s; merged file $same"
sacct >/dev/null 2>&1 || true

# The merge alone, over 100,000 rows.
kill %1 2>/dev/null || true
mkdir big
for i in $(seq 1 400); do
    python3 -c "import sys; i=int(sys.argv[1]); print('<html><body>' + ''.join('<p>page %d line %d</p>' % (i, j) for j in range(250)) + '</body></html>')" "$i" >big/p$i.html
done
ls "$work"/big/*.html >biglist
for k in 1 2 3 4; do "$cli" --quiet --rendered --format jsonl --input biglist --shard $k/4 --output big$k.jsonl & done
wait
s=$(date +%s.%N)
"$cli" --merge --rendered --format jsonl --input biglist --output bigall.jsonl big1.jsonl big2.jsonl big3.jsonl big4.jsonl
e=$(date +%s.%N)
echo "merge of $(wc -l <bigall.jsonl) rows from 4 shards: $(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f", e - s }') s"
