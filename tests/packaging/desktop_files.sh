#!/usr/bin/env bash
# The desktop entry and the MIME types as a desktop reads them: both files valid, and every
# kind of file known by its extension (any case) and, without one, by its header.
# Usage: desktop_files.sh SOURCE_DIR KELP-CLI WORKDIR
set -euo pipefail
source_dir="$(realpath "$1")"
cli="$(realpath "$2")"
work="$3"
for tool in desktop-file-validate xmllint update-mime-database gio; do
  if ! command -v "$tool" >/dev/null; then
    echo "desktop_files: $tool is missing (scripts/deps installs desktop-file-utils, libxml2-utils," \
      "shared-mime-info and libglib2.0-bin)" >&2
    exit 1
  fi
done
desktop-file-validate "$source_dir/packaging/kelp.desktop"
xmllint --noout "$source_dir/packaging/kelp-mime.xml"

rm -rf "$work"
mkdir -p "$work/share/mime/packages" "$work/KELP"
cp "$source_dir/packaging/kelp-mime.xml" "$work/share/mime/packages/kelp.xml"
update-mime-database "$work/share/mime" 2>/dev/null

cd "$work/KELP"
"$cli" simulate --out card --minutes 60 --seed 3 --scenario porpoise >/dev/null
"$cli" download card T.KL1 --start "2024-06-01 08:00" --now "2024-06-02 12:00" >/dev/null 2>&1
"$cli" trains --keep-kl2 T.KL1 >/dev/null 2>&1
for f in T.KL1 T.KL2 T.KL3; do cp "$f" "header-only-${f##*.}"; done
cp T.KL3 lower.kl3
printf '\x68\x01\x00\x00\x00\x00\x00\x00\x70\x01\x00\x00\x00\x00\x00\x00' >map-without-extension
cp map-without-extension T.k3m
printf 'plain text\n' >notes

failed=0
while read -r file expected; do
  got=$(XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share:/usr/share" gio info -a standard::content-type "$file" |
    sed -n 's/.*content-type: //p')
  if [ "$got" != "$expected" ]; then
    echo "desktop_files: $file is taken for $got, not $expected" >&2
    failed=1
  fi
done <<'EOF_CASES'
T.KL1 application/x-kelp-kl1
T.KL2 application/x-kelp-kl2
T.KL3 application/x-kelp-kl3
lower.kl3 application/x-kelp-kl3
header-only-KL1 application/x-kelp-kl1
header-only-KL2 application/x-kelp-kl2
header-only-KL3 application/x-kelp-kl3
T.k3m application/x-kelp-map
map-without-extension application/x-kelp-map
notes text/plain
EOF_CASES
exit "$failed"
