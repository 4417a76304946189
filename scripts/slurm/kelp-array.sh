#!/usr/bin/env bash
# Train detection and the detection export of many KELP deployments on a Slurm cluster, one
# array task per KL1 file, and a merge step that joins the tasks' part files into the report
# "kelp-cli export --batch --one-file" writes for all the files at once. docs/cluster.md
# explains the steps.
#
#   kelp-array.sh submit LIST OUT REPORT [export options]   array job, then the merge after it
#   kelp-array.sh task LIST OUT [export options]            one array task (SLURM_ARRAY_TASK_ID)
#   kelp-array.sh merge LIST OUT REPORT                     the merge step
#
# LIST: a text file with one KL1 file per line (the order of the report); OUT: a folder for
# the part files; export options: those of kelp-cli export, e.g. --data dpm --period hours.
# KELP_CLI names the program when it is not kelp-cli on the PATH.
#SBATCH --job-name=kelp
#SBATCH --cpus-per-task=2
#SBATCH --mem=1G
#SBATCH --time=04:00:00
set -euo pipefail

kelp=${KELP_CLI:-kelp-cli}

usage() {
    sed -n '7,9p' "${BASH_SOURCE[0]}" >&2
    exit 2
}

part_name() { # OUT N: the part file of task N
    printf '%s/part-%06d' "$1" "$2"
}

[ $# -ge 3 ] || usage
mode=$1 list=$2 out=$3
shift 3
[ -r "$list" ] || { echo "kelp-array: cannot read the list $list" >&2; exit 2; }
count=$(grep -c . "$list" || true)
[ "$count" -gt 0 ] || { echo "kelp-array: the list $list names no file" >&2; exit 2; }

case $mode in
submit)
    [ $# -ge 1 ] || usage
    report=$1
    shift
    mkdir -p "$out"
    script=$(realpath "${BASH_SOURCE[0]}")
    array=$(sbatch --parsable --array=1-"$count" --output="$out/task-%a.log" "$script" task "$list" "$out" "$@")
    # afterany: the merge runs even when tasks failed, and says which parts are missing.
    sbatch --parsable --dependency=afterany:"${array%%;*}" --cpus-per-task=1 --output="$out/merge.log" \
        "$script" merge "$list" "$out" "$report"
    ;;
task)
    task=${SLURM_ARRAY_TASK_ID:?kelp-array: task runs as a Slurm array task (SLURM_ARRAY_TASK_ID)}
    kl1=$(grep . "$list" | sed -n "${task}p")
    [ -n "$kl1" ] || { echo "kelp-array: the list has no line $task" >&2; exit 2; }
    mkdir -p "$out"
    # A file whose trains cannot be found still gets its part: its error line in the report.
    "$kelp" trains --threads "${SLURM_CPUS_PER_TASK:-2}" "$kl1" || echo "kelp-array: no trains in $kl1" >&2
    "$kelp" --quiet export --batch "${kl1%.*}.KL3" --part "$task/$count" -o "$(part_name "$out" "$task")" "$@"
    ;;
merge)
    [ $# -eq 1 ] || usage
    parts=()
    for ((n = 1; n <= count; ++n)); do parts+=("$(part_name "$out" "$n")"); done
    "$kelp" merge -o "$1" "${parts[@]}"
    ;;
*)
    usage
    ;;
esac
