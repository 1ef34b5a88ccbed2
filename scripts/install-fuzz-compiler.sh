#!/usr/bin/env bash
# Installs a clang with libFuzzer from the system's packages and prints the path of its
# clang++. Only the fuzz targets need it: g++ has no libFuzzer, and a clang older than 15
# cannot compile std::source_location with this standard library. The newest version the
# package lists offer is taken.
set -euo pipefail
versions=(19 18 17 16 15)

# The first clang++ that links a fuzz target with the sanitizers.
find_installed() {
  local probe
  probe=$(mktemp -d)
  trap 'rm -rf "$probe"' RETURN
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    >"$probe/probe.cc"
  for v in "${versions[@]}"; do
    command -v "clang++-$v" >/dev/null 2>&1 || continue
    if "clang++-$v" -fsanitize=fuzzer,address,undefined "$probe/probe.cc" -o "$probe/probe" \
         >/dev/null 2>&1; then
      command -v "clang++-$v"
      return 0
    fi
  done
  return 1
}

if found=$(find_installed); then
  echo "$found"
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >&2
for v in "${versions[@]}"; do
  candidate=$(apt-cache policy "clang-$v" 2>/dev/null | awk '/Candidate:/ {print $2}')
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ] || continue
  # From 16 on the sanitizer and fuzzer runtimes are a package of their own; the
  # symbolizer (llvm-N) makes the reports readable.
  packages=("clang-$v" "llvm-$v")
  rt=$(apt-cache policy "libclang-rt-$v-dev" 2>/dev/null | awk '/Candidate:/ {print $2}')
  [ -n "$rt" ] && [ "$rt" != "(none)" ] && packages+=("libclang-rt-$v-dev")
  $sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >&2
  break
done

if found=$(find_installed); then
  echo "$found"
  exit 0
fi
echo "no clang 15 or later with libFuzzer could be installed" >&2
exit 1
