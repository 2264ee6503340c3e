# Front door: every target installs what is missing, configures and builds with CMake + Ninja.
BUILD ?= build/release
ASAN_BUILD ?= build/asan
JOBS ?= $(shell nproc)
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CMAKE_FLAGS ?=
RUN_ARGS ?=
PREFIX ?= /usr/local

.PHONY: all deps build run test test-asan bench format clean assets install

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

test: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure --timeout 600

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKYVALE_SANITIZE=ON -DSKYVALE_BENCH=OFF $(LAUNCHER)

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest -j $(JOBS) --output-on-failure --timeout 1200

# Headers, libraries, the CMake package and the pkg-config file under PREFIX.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2 || exit 1; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
