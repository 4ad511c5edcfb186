#!/usr/bin/env bash
# The memory of a failed 32-bit Wine installation: it holds in the same boot against the same package index and
# lets the next try through when either has changed.
set -euo pipefail
work=$(mktemp -d -t tovlane-wine32-memory.XXXXXX)
trap 'rm -rf "$work"' EXIT
wine32_failure_file=$work/state/wine32-failed
apt_lists=$work/lists
source "$(dirname "$0")/../../scripts/lib/wine32-memory.sh"
mkdir -p "$apt_lists"
failures=0

# case: what happens after a remembered failure; whether the next run skips the install
check() {
  local name=$1 expect=$2 got=try
  wine32_failed_before && got=skip
  if [ "$got" != "$expect" ]; then
    echo "FAIL $name: expected $expect, got $got"
    failures=$((failures + 1))
  fi
}

check "nothing remembered" try
remember_wine32_failure
check "no index at all, same boot" skip
echo "index 1" >"$apt_lists/deb_dists_stable_InRelease"
check "the first index arrived" try
remember_wine32_failure
check "same boot, same index" skip
echo "index 2" >"$apt_lists/deb_dists_stable_InRelease"
check "the index changed" try
remember_wine32_failure
sed -i 1s/.*/another-boot/ "$wine32_failure_file"
check "another boot" try
remember_wine32_failure
forget_wine32_failure
check "forgotten after a success" try

[ "$failures" = 0 ] && echo "wine32 memory: all cases pass"
[ "$failures" = 0 ]
