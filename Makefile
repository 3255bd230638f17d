# Front door of the build. Every target installs what is missing first, so a
# fresh machine needs nothing but this repository.

BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

CONFIGURE = cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOX_WERROR=ON $(CMAKE_ARGS)
# The sanitizer builds and how their runs report: the test targets and the
# sanitizer soak share them, and so their build directories.
CONFIGURE_ASAN = $(CONFIGURE) -B $(BUILD_ASAN) -DHOX_SANITIZE=address -DHOX_BUILD_BENCH=OFF
CONFIGURE_TSAN = $(CONFIGURE) -B $(BUILD_TSAN) -DHOX_SANITIZE=thread -DHOX_BUILD_BENCH=OFF
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
           LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp
TSAN_ENV = TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp

.PHONY: all deps build test test-asan test-tsan bench demo soak soak-sanitizers leaks fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	$(CONFIGURE) -B $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	$(CONFIGURE_ASAN)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	$(ASAN_ENV) ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

test-tsan: deps
	$(CONFIGURE_TSAN)
	cmake --build $(BUILD_TSAN) -j $(JOBS)
	$(TSAN_ENV) ctest --test-dir $(BUILD_TSAN) --output-on-failure -j $(JOBS)

# Renders the built-in scene to hox-demo.png here, at the repository root.
demo: build
	$(BUILD)/tools/hox-render/hox-render

bench: build
	@for b in $(BUILD)/bench/hox-bench-*; do echo "== $$b"; $$b || exit 1; done

# The chaos soak for longer than the test run: SOAK_SECONDS, SOAK_SEED.
SOAK_SECONDS ?= 300
SOAK_SEED    ?= 1
soak: build
	$(BUILD)/tests/soak/chaos_host $(SOAK_SECONDS) $(SOAK_SEED) 60

# The chaos soak under ASan+UBSan, then under TSan, SANITIZER_SOAK_SECONDS
# each (what CI runs after `make test`). Only the soak host and the standard
# shaders it loads are built, in the directories of test-asan and test-tsan.
SANITIZER_SOAK_SECONDS ?= 10
soak-sanitizers: deps
	$(CONFIGURE_ASAN)
	cmake --build $(BUILD_ASAN) -j $(JOBS) --target chaos_host hoxstd64
	$(ASAN_ENV) $(BUILD_ASAN)/tests/soak/chaos_host $(SANITIZER_SOAK_SECONDS) $(SOAK_SEED) 60
	$(CONFIGURE_TSAN)
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target chaos_host hoxstd64
	$(TSAN_ENV) $(BUILD_TSAN)/tests/soak/chaos_host $(SANITIZER_SOAK_SECONDS) $(SOAK_SEED) 60

# Leaks and shutdown, in the build of test-asan (what CI runs last): whole
# programs end with nothing leaked (the leaks_* tests: a demo render and a
# scene file with hox-render, a viewer run, every cluster session), Init
# and Shutdown a hundred times, and libhox64.so unloaded after a frame.
LEAK_TARGETS = hox-render hox-view hoxstd64 hox_keep_modules_loaded hox_cluster_tests \
               hox_lifecycle_tests hox_unload_tests
leaks: deps
	$(CONFIGURE_ASAN)
	cmake --build $(BUILD_ASAN) -j $(JOBS) --target $(LEAK_TARGETS)
	$(ASAN_ENV) ctest --test-dir $(BUILD_ASAN) --output-on-failure -R '^leaks_'
	$(ASAN_ENV) $(BUILD_ASAN)/tests/hox_lifecycle_tests
	$(ASAN_ENV) $(BUILD_ASAN)/tests/hox_unload_tests

# Every libFuzzer target for FUZZ_SECONDS, starting from the committed seeds
# (tests/fuzz/corpus/<name>); new inputs go to $(BUILD_FUZZ)/corpus/<name>,
# crashes to $(BUILD_FUZZ)/crash-*. The time-out per input (90 s) is above
# the scene loader's own limit on an import (60 s), so that assimp looping
# on a file is refused by the loader rather than reported as a time-out. Leaks inside assimp (the scene-file
# target) are suppressed by tests/lsan.supp.
FUZZ_SECONDS ?= 20
fuzz: deps
	cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOX_WERROR=ON \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DHOX_FUZZ=ON \
	  -DHOX_BUILD_TESTS=OFF -DHOX_BUILD_BENCH=OFF -DHOX_BUILD_TOOLS=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target hox_fuzz_all
	@set -e; for name in $$(cat $(BUILD_FUZZ)/fuzz_targets.txt); do \
	  echo "== hox_fuzz_$$name ($(FUZZ_SECONDS) s)"; \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$name tests/fuzz/corpus/$$name; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  $(BUILD_FUZZ)/tests/fuzz/hox_fuzz_$$name -max_total_time=$(FUZZ_SECONDS) -malloc_limit_mb=256 -timeout=90 -print_final_stats=1 \
	    -artifact_prefix=$(BUILD_FUZZ)/ $(BUILD_FUZZ)/corpus/$$name tests/fuzz/corpus/$$name; \
	done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
