#!/usr/bin/env bash
# The release is reproducible: two fresh clones of the commit checked out, in folders
# of different names and depths, each run scripts/release, one after the other; their
# dist/ SHA256SUMS must be the same, and each must check its own files. Builds
# everything twice (label release, run on purpose: cd build/host && ctest -L release).
# Usage: reproducible.sh SOURCE_DIR   (TG_KEEP_WORK=1 keeps the clones)
set -euo pipefail
source=${1:?usage: reproducible.sh SOURCE_DIR}
commit=$(git -C "$source" rev-parse HEAD)
[ -z "$(git -C "$source" status --porcelain)" ] ||
  echo "reproducible: $source has uncommitted changes; the clones build commit $commit" >&2
work=$(mktemp -d "${TMPDIR:-/tmp}/tg-reproducible.XXXXXX")
[ "${TG_KEEP_WORK:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

for clone in "$work/a" "$work/second/clone-b"; do
  git clone -q --no-hardlinks "$source" "$clone"
  git -C "$clone" checkout -q --detach "$commit"
  nice -n 10 "$clone/scripts/release" >"$clone.log" 2>&1 ||
    { tail -n 30 "$clone.log" >&2; echo "reproducible: scripts/release failed in $clone" >&2; exit 1; }
  (cd "$clone/dist" && sha256sum --quiet -c SHA256SUMS) ||
    { echo "reproducible: $clone/dist does not match its SHA256SUMS" >&2; exit 1; }
done
if ! diff "$work/a/dist/SHA256SUMS" "$work/second/clone-b/dist/SHA256SUMS"; then
  echo "reproducible: the two releases of $commit differ (TG_KEEP_WORK=1 keeps them: $work)" >&2
  exit 1
fi
echo "reproducible: both releases of $commit:"
cat "$work/a/dist/SHA256SUMS"
