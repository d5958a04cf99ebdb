#!/usr/bin/env bash
# Mutation run (not part of CI): each fault of scripts/mutants.txt is applied alone to
# a scratch copy of the tree (build/mutants/src), built incrementally in
# build/mutants/build with ninja, and checked with the fast tests of its layer; the
# run prints the faults that survive and a summary. The working files are never
# modified. Builds and tests run under `nice -n 10` with one ninja job (MUTANTS_NICE
# and MUTANTS_JOBS change that).
#
#   bash scripts/mutants.sh                 # every fault
#   bash scripts/mutants.sh --only 'crypto.*' --only wallet.eoa-priv-sender
#   bash scripts/mutants.sh --list          # the faults and the tests each one runs
set -euo pipefail
cd "$(dirname "$0")/.."
exec "${PYTHON:-python3}" scripts/mutants.py "$@"
