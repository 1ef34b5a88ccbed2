# Every command the README names. Each one starts from a fresh machine if it has to.
VENV   := .venv
PY     := $(VENV)/bin/python
STAMPS := .stamps
JOBS   ?= $(shell nproc)

.PHONY: setup install demo test test-engine test-python bench sanitize tsan tsan-python fuzz leaks oom clean

setup: $(STAMPS)/system $(STAMPS)/venv

$(STAMPS)/system: scripts/install-system-packages.sh
	bash scripts/install-system-packages.sh
	@mkdir -p $(STAMPS) && touch $@

$(STAMPS)/venv: scripts/make-venv.sh $(STAMPS)/system
	bash scripts/make-venv.sh
	@mkdir -p $(STAMPS) && touch $@

install: setup
	$(PY) -m pip install -q --no-build-isolation .

demo: install
	$(PY) examples/quickstart.py

build/engine/build.ninja: setup
	cmake -S . -B build/engine -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHEAFWORK_TESTS=ON -DSHEAFWORK_BENCH=ON

test-engine: build/engine/build.ninja
	cmake --build build/engine -j $(JOBS)
	cd build/engine && ctest --output-on-failure -j $(JOBS)

test-python: install
	$(PY) -m pytest -q

test: test-engine test-python

bench: install build/engine/build.ninja
	cmake --build build/engine -j $(JOBS)
	$(PY) -m pip install -q openpyxl orjson pandas
	bash bench/run.sh

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer: the engine tests,
# then the Python tests against a sanitized module loaded from build/asan/package.
# The interpreter does not link libstdc++, so it is preloaded too: the sanitizer's throw
# hook needs it present from the start. Frames live on the sanitizer's own stack
# (detect_stack_use_after_return): a daemon thread that the interpreter ends at shutdown
# is unwound by glibc, which the sanitizer does not see, and the guard zones of the
# frames skipped that way would stay marked on the thread's stack, where the next
# function called reports them.
ASAN_PRELOAD = $(shell $(CXX) -print-file-name=libasan.so) $(shell $(CXX) -print-file-name=libstdc++.so.6)
sanitize: setup
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSHEAFWORK_TESTS=ON \
	  -DSHEAFWORK_SANITIZE=ON -DSHEAFWORK_MODULE=ON -DPython_EXECUTABLE=$(abspath $(PY))
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ctest --output-on-failure -j $(JOBS)
	rm -rf build/asan/package && mkdir -p build/asan/package/sheafwork
	cp src/sheafwork/*.py build/asan/package/sheafwork/
	cp build/asan/_sheafwork*.so build/asan/package/sheafwork/
	PYTHONPATH=build/asan/package LD_PRELOAD="$(ASAN_PRELOAD)" ASAN_OPTIONS=detect_leaks=0:detect_stack_use_after_return=1 \
	  $(PY) -m pytest -q -p no:cacheprovider

# The engine tests and the engine stress test under ThreadSanitizer, in build/tsan. The
# suppressions name only oneTBB's internals; the build states the scheduler's hand-offs
# itself (SHEAFWORK_TSAN). A longest history keeps the other side of a report readable.
TSAN_RUN_OPTIONS = suppressions=$(abspath tests/tsan/suppressions.txt) history_size=7
tsan: setup
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHEAFWORK_TESTS=ON \
	  -DSHEAFWORK_TSAN=ON
	cmake --build build/tsan -j $(JOBS)
	cd build/tsan && TSAN_OPTIONS="$(TSAN_RUN_OPTIONS)" ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets of fuzz/, built with clang (installed on first use) under
# AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz, each run for FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
fuzz: $(STAMPS)/system
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHEAFWORK_FUZZ=ON \
	  -DCMAKE_CXX_COMPILER="$$(bash scripts/install-fuzz-compiler.sh)"
	cmake --build build/fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/run-fuzzers.sh

# The thread stress test under ThreadSanitizer, against a module built with it and
# loaded from build/tsan-python/package; the sanitizer's runtime is preloaded, as for sanitize.
# First with lists small enough to be searched on the calling threads alone, where
# nothing is suppressed; then with larger ones too, searched by oneTBB's workers, whose
# hand-off the sanitizer cannot see (tests/tsan/python.supp). A report fails the run (exit
# code 66) once the test has finished.
TSAN_PRELOAD = $(shell $(CXX) -print-file-name=libtsan.so) $(shell $(CXX) -print-file-name=libstdc++.so.6)
TSAN_SECONDS ?= 15
TSAN_RUN = PYTHONPATH=build/tsan-python/package LD_PRELOAD="$(TSAN_PRELOAD)" SHEAFWORK_STRESS_SECONDS=$(TSAN_SECONDS) \
  TSAN_OPTIONS="suppressions=$(abspath tests/tsan/python.supp) history_size=7 second_deadlock_stack=1" \
  $(PY) -m pytest -q -s -p no:cacheprovider tests/python/test_thread_stress.py
tsan-python: setup
	cmake -S . -B build/tsan-python -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHEAFWORK_TSAN=ON \
	  -DSHEAFWORK_MODULE=ON -DPython_EXECUTABLE=$(abspath $(PY))
	cmake --build build/tsan-python -j $(JOBS) --target _sheafwork
	rm -rf build/tsan-python/package && mkdir -p build/tsan-python/package/sheafwork
	cp src/sheafwork/*.py build/tsan-python/package/sheafwork/
	cp build/tsan-python/_sheafwork*.so build/tsan-python/package/sheafwork/
	SHEAFWORK_STRESS_SIZES=300 $(TSAN_RUN)
	SHEAFWORK_STRESS_SIZES=4000,300 $(TSAN_RUN)

# Long create/drop loops of every object kind, search and error path; fails when the
# resident memory grows or objects are left behind. Not part of `make test`.
leaks: install
	$(PY) tests/leaks/leak_check.py

# The allocation-failure sweeps in full: the engine's (every allocation of each operation
# failing in turn, over larger inputs) and the Python calls' (in child processes, every
# allocation until the call ends with none refused). `make test` and `make sanitize` run
# short ones.
oom: install build/engine/build.ninja
	cmake --build build/engine -j $(JOBS)
	cd build/engine && SHEAFWORK_OOM_FULL=1 ctest --output-on-failure -j $(JOBS) -L oom
	SHEAFWORK_OOM_FULL=1 $(PY) -m pytest -q -p no:cacheprovider tests/python/test_out_of_memory.py

clean:
	rm -rf build $(STAMPS)
