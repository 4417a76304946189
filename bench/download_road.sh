#!/usr/bin/env bash
# The whole road as processes: simulate a 30-day mixed deployment, download the card into
# KL1 files, and copy the same card with cp, timing each (wall clock, seconds).
# Usage: bench/download_road.sh [BUILD_DIR]   (default build-release, else build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-release}"
[ -x "$build/cli/kelp-cli" ] || build=build
cli="$build/cli/kelp-cli"
work="$(mktemp -d "${TMPDIR:-/tmp}/kelp-road-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/KELP out" "$work/copy"

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }'; }

t_sim=$(seconds "$cli" simulate --out "$work/card" --minutes 43200 --seed 1 --scenario mixed --split-bytes 268435456)
bytes=$(cat "$work"/card/DATA*.ORV | wc -c)
t_dl=$(seconds "$cli" download "$work/card" "$work/KELP out/road.KL1" --start "2024-01-01 00:00" --now "2024-03-01 00:00")
t_cp=$(seconds cp "$work"/card/DATA*.ORV "$work/copy/")
echo "card bytes	$bytes"
echo "simulate 30 days	$t_sim s"
echo "download	$t_dl s"
echo "cp	$t_cp s"
