# Front door: every target installs what is missing, configures and builds with CMake + Ninja.
BUILD ?= build/release
ASAN_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
JOBS ?= $(shell nproc)
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CMAKE_FLAGS ?=
RUN_ARGS ?=
PREFIX ?= /usr/local

.PHONY: all deps build run test test-asan bench format format-check clean assets screenshots fuzz fuzz-deps fuzz-build fuzz-smoke install

all: build

deps:
	@scripts/setup-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(LAUNCHER) $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# A window when a display exists; otherwise a bounded deterministic headless run with a capture.
run: build
	@scripts/run-demo $(BUILD)/app/skyvale $(RUN_ARGS)

# Regenerates the demo's data into assets/ (committed; make run never needs this).
assets: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target make_assets
	$(BUILD)/tools/make_assets/make_assets assets
	cmake --build $(BUILD) -j $(JOBS) --target make_airplane
	$(BUILD)/tools/make_airplane/make_airplane assets

# The four display modes captured headless into build/screenshots/*.png; the plain view also
# becomes docs/screenshot.png, shown in the README.
screenshots: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target skyvale
	@scripts/screenshots $(BUILD)/app/skyvale $(CURDIR)/build/screenshots

# The fuzz smoke in ctest (label fuzz) needs the fuzz targets: built here when clang is present,
# otherwise the smoke reports itself skipped.
test: build format-check
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz-build; \
	else echo "test: clang not installed, the fuzz smoke will be skipped (make fuzz installs it)"; fi
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure --timeout 600

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKYVALE_SANITIZE=ON -DSKYVALE_BENCH=OFF $(LAUNCHER)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 ctest -j $(JOBS) --output-on-failure --timeout 1200

# Headers, libraries, the CMake package and the pkg-config file under PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# libFuzzer targets: clang with AddressSanitizer and UndefinedBehaviorSanitizer, in their own tree.
fuzz-deps:
	@scripts/setup-deps --fuzz

$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
	  -DSKYVALE_FUZZ=ON -DSKYVALE_BENCH=OFF $(LAUNCHER)

fuzz-build: $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

fuzz: fuzz-deps
	@$(MAKE) --no-print-directory fuzz-build

# Each target over its seeds and kept regressions, then a fixed number of random inputs.
fuzz-smoke: fuzz
	@scripts/fuzz-smoke $(FUZZ_BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2 || exit 1; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a tracked source differs from what `make format` would make of it.
format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf build
