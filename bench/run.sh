#!/usr/bin/env bash
# Runs every benchmark: the engine's C++ programs (build/engine/*_bench), then the Python
# ones (bench/*_bench.py). Each prints its own figures and ratios against its peer.
set -euo pipefail
cd "$(dirname "$0")/.."
for program in build/engine/*_bench; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program"
done
for script in bench/*_bench.py; do
  [ -f "$script" ] || continue
  echo "== $(basename "$script")"
  .venv/bin/python "$script"
done
