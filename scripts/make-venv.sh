#!/usr/bin/env bash
# Creates .venv from CPython 3.12 (taken from pyenv when it has one) with the build
# backend and the test and benchmark tools, so the package can be built without isolation.
set -euo pipefail
cd "$(dirname "$0")/.."
venv=.venv
if [ ! -x "$venv/bin/python" ]; then
  py=""
  if command -v pyenv >/dev/null 2>&1; then
    version=$(pyenv latest 3.12 2>/dev/null || true)
    [ -n "$version" ] && py="$(pyenv root)/versions/$version/bin/python3"
  fi
  [ -x "$py" ] || py=$(command -v python3.12 || true)
  if [ -z "$py" ]; then
    echo "CPython 3.12 not found (neither under pyenv nor as python3.12)" >&2
    exit 1
  fi
  "$py" -m venv "$venv"
fi
"$venv/bin/python" -m pip install -q --upgrade pip
"$venv/bin/python" -m pip install -q scikit-build-core cmake ninja pytest hypothesis
