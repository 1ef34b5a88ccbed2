"""Public calls with allocations failing inside them, in child processes (oom/sweep.py):
through a malloc-family shim (which C++'s operator new reaches too) and through Python's
own allocators (_testcapi.set_nomemory). Each run ends in MemoryError (or the call's own
error) or in the result the call gives with memory to spare, never in a crash, and the
call works again afterwards. CI sweeps the first allocations of every call; set
SHEAFWORK_OOM_FULL=1 (`make oom`) to sweep each call until it ends with nothing refused.
"""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

HERE = pathlib.Path(__file__).parent / "oom"
FULL = os.environ.get("SHEAFWORK_OOM_FULL", "0") not in ("", "0")
# The sanitizer's runtime, preloaded, owns malloc: a shim over it cannot stand beside it.
SANITIZED = "libasan" in os.environ.get("LD_PRELOAD", "")


def call_names():
    sys.path.insert(0, str(HERE))
    try:
        import sweep
        return list(sweep.CALLS)
    finally:
        sys.path.pop(0)


@pytest.fixture(scope="session")
def shim(tmp_path_factory):
    compiler = shutil.which("cc") or shutil.which("gcc")
    if compiler is None:
        pytest.skip("no C compiler for the allocation shim")
    library = tmp_path_factory.mktemp("shim") / "failing_malloc.so"
    subprocess.run([compiler, "-shared", "-fPIC", "-O2", "-o", str(library),
                    str(HERE / "failing_malloc.c")], check=True)
    return library


def run_sweep(variant, mode, env):
    last = "-1" if FULL else "600"
    result = subprocess.run([sys.executable, str(HERE / "sweep.py"), variant, mode, "0", last, "1",
                             *call_names()],
                            capture_output=True, text=True, timeout=3600 if FULL else 300, env=env)
    lines = result.stdout.splitlines()
    assert result.returncode == 0, (lines[-1:], result.stderr[-3000:])
    done = [line.split("\t") for line in lines if line.startswith("done\t")]
    assert [name for _, name, _, _ in done] == call_names(), lines[-3:]
    # The calls in which some run ended in an error.
    return {name for _, name, _, failures in done if int(failures) > 0}


@pytest.mark.skipif(SANITIZED, reason="the sanitizer's allocator cannot be shimmed")
@pytest.mark.parametrize("mode", ["only", "every"])
def test_calls_survive_a_failing_malloc(shim, mode):
    env = dict(os.environ, FAILING_MALLOC=str(shim),
               LD_PRELOAD=" ".join(filter(None, [os.environ.get("LD_PRELOAD"), str(shim)])))
    failed = run_sweep("shim", mode, env)
    # Every call that reaches C++ or the C libraries allocates there, except the two
    # writes of one small cell, whose records come from slots already there.
    assert failed >= set(call_names()) - {"Sheet.cell new", "Sheet.cell overwrite"}


@pytest.mark.parametrize("mode", ["only", "every"])
def test_calls_survive_python_running_out_of_memory(mode):
    pytest.importorskip("_testcapi")
    failed = run_sweep("capi", mode, dict(os.environ))
    # Every call that makes a Python object met a refusal.
    assert failed >= {"Sheet.cells", "Sheet.find_cells_by_regex", "Book.add_sheet",
                      "Book.copy_sheet", "Book.to_json", "readable.Finder"}
