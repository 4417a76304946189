#!/usr/bin/env bash
# Golden check of the train detection: simulates cards of every scenario, downloads them
# and runs `kelp-cli trains` on them, then records or compares the sha256 of every KL3
# file and of the results page. Used to prove that a change to the train search keeps
# every output byte.
#
#   train_golden.sh record KELP_CLI WORKDIR [SUMS]   writes SUMS
#   train_golden.sh check  KELP_CLI WORKDIR [SUMS]   compares with SUMS
#
# SUMS is WORKDIR/golden.sums when not given. The test suite checks the sums kept in the
# tree; after a deliberate change of the train detection they are recorded again with
#   tests/tda/train_golden.sh record build/cli/kelp-cli build/golden tests/tda/golden.sums
#
# The simulated cards are made again on every run (the simulator is deterministic per
# seed), so a change of the simulator needs a new record from the unchanged detector.
set -euo pipefail

mode="${1:?record or check}"
cli="$(realpath "${2:?path of kelp-cli}")"
work="${3:?work folder}"
mkdir -p "$work"
work="$(realpath "$work")"
sums="${4:-$work/golden.sums}"
now="$work/now.sums"

# name scenario minutes seed | simulate options | trains options
cases=(
    "porpoise   porpoise 1440 7  | |"
    "dolphin    dolphin  1440 7  | |"
    "mixed      mixed    2880 7  | |"
    "mixed11    mixed    2880 11 | |"
    "mixedbusy  mixed    720  3  | --activity 3 |"
    "mixednosp  mixed    720  5  | | --no-species-split"
    "noisy      noisy    1440 7  | |"
    "noisydense noisy    180  9  | --click-limit 65536 |"
    "noisylimit noisy    360  7  | | --minute-limit 300"
    "sonar      sonar    1440 7  | |"
    "dutycycle  porpoise 1440 8  | --minutes-off 2 |"
    "empty      empty    60   7  | |"
)

: >"$now"
for case_line in "${cases[@]}"; do
    IFS='|' read -r head simopts trainopts <<<"$case_line"
    read -r name scenario minutes seed <<<"$head"
    dir="$work/$name"
    rm -rf "$dir"
    mkdir -p "$dir/kelp"
    # shellcheck disable=SC2086
    "$cli" simulate --out "$dir/card" --minutes "$minutes" --seed "$seed" --scenario "$scenario" \
        $simopts >/dev/null
    "$cli" download "$dir/card" "$dir/kelp/x.KL1" --start "2024-06-01 12:00" \
        --now "2024-07-01 12:00" --force >/dev/null
    # shellcheck disable=SC2086
    "$cli" trains "$dir/kelp/x.KL1" $trainopts >"$dir/results.txt" 2>/dev/null
    for f in "$dir"/kelp/*.KL3 "$dir"/kelp/*.k3m "$dir/results.txt"; do
        [ -e "$f" ] || continue
        printf '%s/%s %s\n' "$name" "$(basename "$f")" "$(sha256sum <"$f" | cut -d' ' -f1)" >>"$now"
    done
    printf '%s/clicks %s\n' "$name" "$(awk -F'\t' 'NR==2 {print $6}' "$dir/results.txt")" >>"$now"
done

case "$mode" in
record)
    cp "$now" "$sums"
    echo "recorded $(wc -l <"$sums") sums in $sums"
    ;;
check)
    if diff -u "$sums" "$now"; then
        echo "golden check: all $(wc -l <"$sums") sums identical"
    else
        echo "golden check: FAILED" >&2
        exit 1
    fi
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
