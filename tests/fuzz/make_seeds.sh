#!/usr/bin/env bash
# Writes the fuzz targets' seed inputs into tests/fuzz/corpus/<target>/ from a few small
# simulated deployments: their cards, KL1, KL2 and KL3 files and map files, each prefixed
# with the selector bytes its target reads first. Run after a change of a file layout:
#   tests/fuzz/make_seeds.sh build/cli/kelp-cli
set -euo pipefail
kelp="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
corpus="$here/corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sep='#KELP-PART#'

# name, then simulate options: small deployments with trains, a duty cycle, a logger of the
# older settings layout, and a damaged card split over three files.
deployments=(
  "mixed --scenario mixed --seed 2 --minutes 6 --activity 20 --shrimp-rate 10"
  "porpoise --scenario porpoise --seed 2 --minutes 6 --activity 20 --shrimp-rate 10 --minutes-off 1"
  "oldlayout --scenario mixed --seed 1 --minutes 5 --activity 20 --shrimp-rate 5 --logger 50"
  "damaged --scenario mixed --seed 2 --minutes 6 --activity 20 --shrimp-rate 10 --split-bytes 2048 \
     --no-summary --erased-tail 700 --defect jump:3:5 --defect disorder:2 --defect blanks:4:3
     --defect flood:5:1500 --click-limit 1024"
)
for d in "${deployments[@]}"; do
  read -r -a args <<<"$d"
  name="${args[0]}"
  "$kelp" simulate --out "$work/$name" "${args[@]:1}" >/dev/null
  rm -f "$work/$name/truth.json"
  mkdir -p "$work/out"
  "$kelp" download "$work/$name" "$work/out/$name KELP.KL1" --start "2024-03-01 12:00" \
    --now "2024-04-01 00:00" --force >/dev/null 2>&1 || true
  "$kelp" trains --keep-kl2 "$work/out/$name KELP.KL1" >/dev/null 2>&1 || true
done
"$kelp" settings new --logger 1036 --preset porpoise -o "$work/out/porpoise.KLS" >/dev/null

rm -rf "$corpus"
mkdir -p "$corpus"/{data_file,map_file,card_download,settings,train_detection,display,exports,file_utilities}

# seed TARGET NAME BYTES-FILE...: the selector bytes (printf escapes) then the files joined
# by the separator.
seed() {
  local target="$1" name="$2" prefix="$3"
  shift 3
  local out="$corpus/$target/$name"
  printf "$prefix" >"$out"
  local first=1
  for f in "$@"; do
    [ $first -eq 1 ] || printf '%s' "$sep" >>"$out"
    first=0
    cat "$f" >>"$out"
  done
}

# A map file for a data file: the position of every minute marker and of the end of the data.
make_map() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
r = data[1] if 10 <= data[1] <= 50 else 15
positions, pos = [], 360
while pos + r <= len(data):
    t = data[pos + r - 1]
    if t == 254: positions.append(pos)
    if t == 255: break
    pos += r
positions.append(pos)
open(sys.argv[2], 'wb').write(b''.join(struct.pack('<q', p) for p in positions))
EOF
}

for d in mixed porpoise oldlayout damaged; do
  base="$work/out/$d KELP"
  [ -f "$base.KL1" ] || continue
  seed data_file "$d-kl1" '\x00\x00' "$base.KL1"
  seed train_detection "$d-kl1" '\x00' "$base.KL1"
  seed settings "$d-kl1" '\x03' "$base.KL1"
  seed settings "$d-data0" '\x02' "$work/$d/DATA0.ORV"
  seed settings "$d-setup" '\x00' "$work/$d/SETUP.ORV"
  cards=("$work/$d/DATA0.ORV" "$work/$d/SETUP.ORV")
  for extra in DATA1.ORV DATA2.ORV; do [ -f "$work/$d/$extra" ] && cards+=("$work/$d/$extra"); done
  seed card_download "$d" '\x00' "${cards[@]}"
  make_map "$base.KL1" "$work/map1"
  seed map_file "$d-kl1" '\x00' "$base.KL1" "$work/map1"
  if [ -f "$base.KL3" ]; then
    seed data_file "$d-kl2" '\x01\x00' "$base.KL2"
    seed data_file "$d-kl3" '\x02\x00' "$base.KL3"
    seed train_detection "$d-kl2" '\x01' "$base.KL2"
    make_map "$base.KL3" "$work/map3"
    seed map_file "$d-kl3" '\x02' "$base.KL3" "$work/map3"
    # display and exports: the KL1 file in slot 1 and the KL3 file in slot 2.
    seed display "$d-bins" '\x08\x03' "$base.KL1" "$base.KL3"
    seed display "$d-clicks" '\x08\x48' "$base.KL1" "$base.KL3"
    seed exports "$d-dpm" '\x02\x09' "$base.KL3"
    seed exports "$d-both" '\x08\x00' "$base.KL1" "$base.KL3"
    # file utilities: the KL1 file and the KL3 file; two KL3 files, the second appended.
    seed file_utilities "$d-both" '\x08\x03' "$base.KL1" "$base.KL3"
    seed file_utilities "$d-kl3s" '\x0a\x11' "$base.KL3" "$base.KL3"
  fi
done
seed data_file "mixed-kl1-dev" '\x14\x00' "$work/out/mixed KELP.KL1"
seed data_file "mixed-kl3-band" '\x42\x00' "$work/out/mixed KELP.KL3"
seed train_detection "mixed-kl1-v2" '\x06' "$work/out/mixed KELP.KL1"
seed settings "porpoise-kls" '\x01' "$work/out/porpoise.KLS"
printf '\x05# logger\tgain\n1036\t40\n1104 52\n' >"$corpus/settings/gains"
# Two batch parts of a batch of two files, read by the merge as the exports' input files.
printf '\x00\x00KELP batch part\t1/2\t1\t1\t0\t1\t2\nFile 1 exported\ntime\tDPM\n02/05/2024 10:00\t1\n1\tfile1.KL3%sKELP batch part\t2/2\t1\t0\t-1\t0\t0\n2\tfile2.KL3\n' \
  "$sep" >"$corpus/exports/batch-parts"
echo "seeds: $(find "$corpus" -type f | wc -l) files, $(du -sk "$corpus" | cut -f1) KiB"
