# Front door of the build. Every target installs what is missing first, so a
# fresh machine needs nothing but this repository.

BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

CONFIGURE = cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOX_WERROR=ON $(CMAKE_ARGS)

.PHONY: all deps build test test-asan test-tsan bench demo clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	$(CONFIGURE) -B $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	$(CONFIGURE) -B $(BUILD_ASAN) -DHOX_SANITIZE=address -DHOX_BUILD_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

test-tsan: deps
	$(CONFIGURE) -B $(BUILD_TSAN) -DHOX_SANITIZE=thread -DHOX_BUILD_BENCH=OFF
	cmake --build $(BUILD_TSAN) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir $(BUILD_TSAN) --output-on-failure -j $(JOBS)

# Renders the built-in scene to hox-demo.png here, at the repository root.
demo: build
	$(BUILD)/tools/hox-render/hox-render

bench: build
	@for b in $(BUILD)/bench/hox-bench-*; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN)
