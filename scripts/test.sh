#!/usr/bin/env bash
# Sets up what is missing, then builds and runs every test (scripts/check.sh). On a host that is
# not Debian 13 both steps run in the project's Debian 13 root, created on first use.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"
scripts/setup.sh test
exec scripts/check.sh "$@"
