#!/usr/bin/env bash
# The cluster recipes of docs/cluster.md as written there: the GNU parallel recipe over twenty
# simulated deployments must merge into the very report of one "export --batch --one-file"
# over the same files; the Slurm array script, its task body run by hand for two task ids and
# its merge step must do the same for two files.
#
# Usage: cluster_recipe.sh KELP_CLI SOURCE_DIR
set -euo pipefail
kelp=$(realpath "$1")
src=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

mkdir -p "$work/bin"
ln -s "$kelp" "$work/bin/kelp-cli"
export PATH="$work/bin:$PATH"
command -v parallel >/dev/null || fail "GNU parallel is not installed (Debian package parallel)"

# Twenty deployments at four sites, each a simulated card read into its KL1 file.
tree="$work/kelp deployments"
for i in $(seq 1 20); do
    site=$(((i - 1) / 5 + 1))
    folder="$tree/site$site/kelp-$(printf %02d "$i")"
    mkdir -p "$folder"
    kelp-cli simulate --out "$work/cards/$i" --minutes 75 --seed "$i" --scenario mixed >/dev/null
    kelp-cli --quiet download "$work/cards/$i" "$folder/site$site-$i.KL1" --start "2026-05-$(printf %02d "$i") 10:00" \
        --now "2026-06-01 10:00" --location "site $site" >/dev/null
done

# The recipe: the first bash block of the GNU parallel section, on this tree.
awk '/^## GNU parallel/{s=1} s&&/^```bash$/{b=1;next} b&&/^```$/{exit} b' "$src/docs/cluster.md" |
    sed -e "s|^deployments=.*|deployments=\"$tree\"|" -e "s|^out=.*|out=\"$work/out\"|" -e 's|^jobs=.*|jobs=2|' \
        >"$work/recipe.sh"
grep -q 'kelp-cli merge' "$work/recipe.sh" || fail "no recipe found in docs/cluster.md"
(
    set +u
    source "$work/recipe.sh" 2>"$work/recipe.err"
    mapfile -t files <"$out/kl3.txt"
    [ "${#files[@]}" -eq 20 ] || fail "the recipe found ${#files[@]} files, not 20"
    kelp-cli --quiet export --batch --one-file -o "$work/one.txt" "${export_options[@]}" "${files[@]}" >/dev/null
) || fail "the recipe did not run: $(cat "$work/recipe.err")"
cmp "$work/out/report.txt" "$work/one.txt" || fail "the merged report differs from the one-file export"
[ "$(grep -c $'^[0-9]*\t/' "$work/one.txt")" -eq 20 ] || fail "the report does not list twenty files"
grep -q $'^20\t[0-9]' "$work/one.txt" || fail "the report has no data line of file 20"

# The Slurm array script: syntax, two task ids by hand, the merge step.
script="$src/scripts/slurm/kelp-array.sh"
bash -n "$script" || fail "kelp-array.sh does not parse"
head -n 2 "$work/out/kl1.txt" >"$work/two.txt"
options=(--data dph --period days)
for task in 1 2; do
    SLURM_ARRAY_TASK_ID=$task bash "$script" task "$work/two.txt" "$work/slurm" "${options[@]}" >/dev/null 2>&1 ||
        fail "array task $task failed"
done
bash "$script" merge "$work/two.txt" "$work/slurm" "$work/slurm.txt" >/dev/null || fail "the merge step failed"
mapfile -t two < <(sed 's/\.KL1$/.KL3/' "$work/two.txt")
kelp-cli --quiet export --batch --one-file -o "$work/two-one.txt" "${options[@]}" "${two[@]}" >/dev/null
cmp "$work/slurm.txt" "$work/two-one.txt" || fail "the Slurm merge differs from the one-file export"
# A missing part: the merge refuses and writes nothing.
rm "$work/slurm/part-000002"
if bash "$script" merge "$work/two.txt" "$work/slurm" "$work/none.txt" >/dev/null 2>&1; then
    fail "the merge succeeded without a part"
fi
[ ! -e "$work/none.txt" ] || fail "the merge wrote a report without a part"
echo "cluster recipes: ok"
