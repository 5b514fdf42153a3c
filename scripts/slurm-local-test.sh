#!/usr/bin/env bash
# Runs scripts/cirvo-recon-array.sbatch as a 3-task job array on a throw-away one-node Slurm
# cluster (slurmctld, slurmd and munged of its own, all in a temporary directory, loopback
# only) and checks that the tasks together write byte for byte what one plain cirvo-recon
# run writes.
#
#   scripts/slurm-local-test.sh [BUILD_DIR]     (default: build; run as root)
#
#   CIRVO_SLURM_INSTALL=1   install missing packages with apt-get (as root)
#   CIRVO_SLURM_TIMEOUT=S   limit for each wait: daemons up, node idle, job done (default 120)
#
# Without the packages (and without CIRVO_SLURM_INSTALL=1, or where that fails) or without
# root it prints "skipped: REASON" and exits 0.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$repo/build}" 2>/dev/null && pwd)" || {
  echo "error: no build directory ${1:-$repo/build}" >&2
  exit 1
}
recon="$build/src/tools/cirvo-recon"
phantom="$build/src/tools/cirvo-phantom"
for tool in "$recon" "$phantom"; do
  [ -x "$tool" ] || { echo "error: $tool is missing; build first" >&2; exit 1; }
done
limit="${CIRVO_SLURM_TIMEOUT:-120}"
started=$SECONDS

skip() {
  echo "skipped: $*"
  exit 0
}

# slurm-client brings sbatch, squeue, scontrol and sinfo.
packages=(slurmctld slurmd slurm-client munge)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "${CIRVO_SLURM_INSTALL:-0}" = 1 ] ||
    skip "packages missing: ${missing[*]} (CIRVO_SLURM_INSTALL=1 installs them as root)"
  [ "$(id -u)" = 0 ] || skip "packages missing: ${missing[*]}, and installing them needs root"
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"; } ||
    skip "apt-get could not install ${missing[*]}"
fi
# The daemons run as SlurmUser=root and the jobs as the caller: both need root here.
[ "$(id -u)" = 0 ] || skip "the local Slurm cluster needs root"

# NoInAddrAny binds each daemon to the address of its host name. Named localhost in a UTS
# namespace of their own, they listen on 127.0.0.1 whatever this machine's name resolves to.
as_localhost() {
  unshare --uts sh -c 'hostname localhost && exec "$@"' sh "$@"
}
if ! as_localhost true 2>/dev/null; then
  host_addr="$(getent ahostsv4 "$(uname -n)" | awk 'NR == 1 { print $1 }')"
  case "$host_addr" in
    127.*) as_localhost() { "$@"; } ;;
    *) skip "no UTS namespace (unshare --uts) to keep the daemons on the loopback address," \
      "and $(uname -n) resolves to ${host_addr:-nothing}" ;;
  esac
fi

# A test run inside a real array task must not shard its reference run.
unset SLURM_ARRAY_TASK_ID SLURM_ARRAY_TASK_COUNT

show_logs() {
  local f
  for f in "$logs"/*.log "$logs"/jobcomp.txt "$tmp"/jobs/*.out; do
    [ -s "$f" ] || continue
    echo "---- last lines of ${f#"$tmp"/}" >&2
    tail -n 25 "$f" >&2
  done
}

fail() {
  echo "FAILED: $*" >&2
  show_logs
  echo "FAILED: $*" >&2
  exit 1
}

# Stops a daemon by its pid file: TERM, then KILL after 10 s.
stop_daemon() {
  local pidfile="$1" pid end
  [ -s "$pidfile" ] || return 0
  pid="$(cat "$pidfile")"
  kill "$pid" 2>/dev/null || return 0
  end=$((SECONDS + 10))
  while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
}

# The job id that sbatch --parsable printed on submission, if any.
submitted_job() {
  cut -d';' -f1 "$tmp/jobs/sbatch.out" 2>/dev/null | head -n 1
}

cleanup() {
  local status=$?
  trap - EXIT ERR INT TERM
  set +e
  [ -z "$sbatch_pid" ] || kill "$sbatch_pid" 2>/dev/null
  # A job still running would outlive slurmd in its slurmstepd.
  local job
  job="$(submitted_job)"
  if [ -n "$job" ] && [ -s "$run/slurmctld.pid" ]; then
    scancel "$job" 2>/dev/null
    local end=$((SECONDS + 15))
    while [ -n "$(squeue -h -j "$job" 2>/dev/null)" ] && [ $SECONDS -lt $end ]; do sleep 0.2; done
  fi
  stop_daemon "$run/slurmd.pid"
  stop_daemon "$run/slurmctld.pid"
  stop_daemon "$run/munged.pid"
  rm -rf "$tmp"
  exit "$status"
}
sbatch_pid=""
tmp="$(mktemp -d "${TMPDIR:-/tmp}/cirvo-slurm.XXXXXX")"
conf="$tmp/etc/slurm.conf"
logs="$tmp/log"
run="$tmp/run"
trap cleanup EXIT
# set -e would end the run without a word.
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND" >&2' ERR
trap 'exit 130' INT
trap 'exit 143' TERM
mkdir -p "$tmp/etc" "$logs" "$run" "$tmp/munge" "$tmp/state" "$tmp/spool" "$tmp/jobs"
# munged wants every directory above its socket searchable by all, and none writable by others.
chmod 0711 "$tmp" "$tmp/munge"

# Polls CMD until it succeeds; fails with WHAT after the time limit.
wait_for() {
  local what="$1" end=$((SECONDS + limit))
  shift
  until "$@"; do
    [ $SECONDS -lt $end ] || fail "no $what after ${limit} s"
    sleep 0.2
  done
}

port_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Two neighbouring free ports away from Slurm's 6817/6818.
ctld_port=""
for _ in $(seq 50); do
  p=$((20000 + RANDOM % 20000))
  if port_free "$p" && port_free $((p + 1)); then ctld_port=$p; break; fi
done
[ -n "$ctld_port" ] || fail "no two free neighbouring ports between 20000 and 40000"
slurmd_port=$((ctld_port + 1))

# The node as slurmd sees this machine, so that it is not drained for a mismatch.
hw="$(slurmd -C 2>/dev/null | head -n 1)" || hw=""
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$hw"; }
cpus="$(field CPUs)"
memory="$(field RealMemory)"
if [ -z "$cpus" ] || [ -z "$memory" ]; then
  fail "cannot read CPUs and RealMemory from slurmd -C: $hw"
fi
hardware="CPUs=$cpus Boards=$(field Boards) SocketsPerBoard=$(field SocketsPerBoard)"
hardware+=" CoresPerSocket=$(field CoresPerSocket) ThreadsPerCore=$(field ThreadsPerCore)"
hardware+=" RealMemory=$memory"

munge_socket="$tmp/munge/munge.socket"
: >"$tmp/etc/plugstack.conf"
cat >"$conf" <<EOF
ClusterName=cirvotest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$munge_socket
CredType=cred/munge
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$run/slurmctld.pid
SlurmdPidFile=$run/slurmd.pid
SlurmctldLogFile=$logs/slurmctld.log
SlurmdLogFile=$logs/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
PlugStackConfig=$tmp/etc/plugstack.conf
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/filetxt
JobCompLoc=$logs/jobcomp.txt
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
MinJobAge=600
NodeName=localhost NodeAddr=127.0.0.1 NodeHostname=localhost $hardware State=UNKNOWN
PartitionName=cirvo Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$conf"

mungekey --create --keyfile="$tmp/munge/munge.key" >/dev/null 2>&1 ||
  fail "mungekey could not create a key"
chmod 0400 "$tmp/munge/munge.key"
munged --socket="$munge_socket" --key-file="$tmp/munge/munge.key" \
  --pid-file="$run/munged.pid" --log-file="$logs/munged.log" \
  --seed-file="$tmp/munge/munged.seed" ||
  fail "munged did not start"
munge_works() {
  munge --socket="$munge_socket" -n | unmunge --socket="$munge_socket" >/dev/null 2>&1
}
wait_for "munge credential round trip" munge_works

as_localhost slurmctld -f "$conf" || fail "slurmctld did not start"
as_localhost slurmd -f "$conf" -N localhost || fail "slurmd did not start"
ctld_up() { scontrol ping 2>/dev/null | grep -q 'is UP'; }
wait_for "answer from slurmctld (scontrol ping)" ctld_up
node_idle() {
  local state
  state="$(sinfo -h -n localhost -o %T 2>/dev/null)"
  case "$state" in
    idle) return 0 ;;
    *drain* | inval*)
      fail "node localhost is $state, $(scontrol show node localhost | grep -o 'Reason=.*')" ;;
    *) return 1 ;;
  esac
}
wait_for "idle node localhost in sinfo" node_idle
echo "Slurm $(sinfo -V | cut -d' ' -f2) up in $((SECONDS - started)) s: node localhost," \
  "$cpus CPUs, $memory MiB, ports $ctld_port/$slurmd_port on 127.0.0.1, in $tmp"

series="$tmp/series"
"$phantom" --series --out "$series" --width 128 --height 64 --projections 180 \
  >"$logs/phantom.log" 2>&1 || fail "cirvo-phantom could not write the series"
slices=16:48:8
slice_count=5
extra="--sub-folders energy"
name=rec
shards=3

# sbatch --wait exits with the highest exit status of the tasks. It waits in the background so
# that a signal reaches the trap at once and a job that never runs is bounded by the limit.
# Options reach cirvo-recon both ways: CIRVO_RECON_OPTIONS and the script's own arguments.
SERIES="$series/dirs" LAYOUT=dirs I0_DIR="$series/i0" BG="$series/BG.img" SLICES="$slices" \
  OUT="$tmp/out-array" CIRVO_RECON="$recon" CIRVO_RECON_OPTIONS="$extra" \
  sbatch --wait --parsable --array=0-$((shards - 1)) --cpus-per-task=1 --chdir="$tmp" \
  --output="$tmp/jobs/task-%a.out" "$repo/scripts/cirvo-recon-array.sbatch" --name "$name" \
  >"$tmp/jobs/sbatch.out" 2>"$tmp/jobs/sbatch.err" &
sbatch_pid=$!
end=$((SECONDS + limit))
while kill -0 "$sbatch_pid" 2>/dev/null; do
  [ $SECONDS -lt $end ] || fail "job array $(submitted_job) not finished after ${limit} s"
  sleep 0.2
done
submit_status=0
wait "$sbatch_pid" || submit_status=$?
sbatch_pid=""
job="$(submitted_job)"
[ -n "$job" ] || fail "sbatch did not submit: $(cat "$tmp/jobs/sbatch.err")"

echo "Job array $job:"
failed=0
written=0
for ((i = 0; i < shards; i++)); do
  record="$(scontrol -o show job "${job}_$i" 2>/dev/null)" || record=""
  state="$(grep -o 'JobState=[A-Z_]*' <<<"$record" | cut -d= -f2)"
  code="$(grep -o 'ExitCode=[0-9:]*' <<<"$record" | head -n 1 | cut -d= -f2)"
  shard_line="$(grep -o 'shard [0-9]*/[0-9]*' "$tmp/jobs/task-$i.out" 2>/dev/null || true)"
  # cirvo-recon's "N file(s) written" lines: the task's own share.
  mine="$({ grep -o '[0-9]* file(s) written' "$tmp/jobs/task-$i.out" 2>/dev/null || true; } |
    awk '{ n += $1 } END { print n + 0 }')"
  written=$((written + mine))
  echo "  task $i: ${state:-unknown} exit ${code:-?}, ${shard_line:-no shard line}," \
    "$mine files written"
  if [ "$state" != COMPLETED ] || [ "$code" != 0:0 ] || [ "$shard_line" != "shard $i/$shards" ] ||
    [ "$mine" = 0 ]; then
    failed=1
  fi
done
if [ "$submit_status" != 0 ] || [ "$failed" != 0 ]; then
  fail "job array $job: sbatch exit status $submit_status; a task did not complete as" \
    "shard I/$shards or wrote nothing"
fi

# The reference: one plain run, no shard, the machine's default thread count.
# shellcheck disable=SC2086
"$recon" --series "$series/dirs" --layout dirs --i0-dir "$series/i0" --bg "$series/BG.img" \
  --slices "$slices" --out "$tmp/out-single" $extra --name "$name" >"$logs/single.log" 2>&1 ||
  fail "the plain cirvo-recon run failed: $(tail -n 3 "$logs/single.log")"

# Every slice saved as data and png, in every energy folder of the series.
energies="$(find "$series/dirs" -mindepth 1 -maxdepth 1 -type d | wc -l)"
expected=$((energies * slice_count * 2))
files="$(find "$tmp/out-single" -type f | wc -l)"
[ "$files" = "$expected" ] || fail "the plain run wrote $files files, not $expected"
# More would mean that the tasks did not split the run but each did all or part of it again.
[ "$written" = "$files" ] || fail "the $shards tasks wrote $written files together, not $files"
diff -rq "$tmp/out-single" "$tmp/out-array" >"$logs/diff.log" 2>&1 ||
  fail "the array's output differs from the plain run's in $(wc -l <"$logs/diff.log") files:" \
    "$(head -n 3 "$logs/diff.log")"
echo "Output of the $shards tasks identical to one plain run: $files files in $energies energy" \
  "folders compared (diff -r)"
echo "passed in $((SECONDS - started)) s"
