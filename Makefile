# Orvane Piano: the quick start and the developer targets.
# Every target installs what is missing, configures into build/ and builds first. Quiet unless
# VERBOSE=1: a line per stage, warnings and errors in full.

BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# make install: per user (~/.vst/, ~/.local/bin/) unless PREFIX is set (PREFIX/lib/vst/,
# PREFIX/bin/); DESTDIR stages either.
PREFIX ?=

# No "Entering directory" lines from the makes below this one (CMake's build among them).
MAKEFLAGS += --no-print-directory
CMAKE_OUTPUT := $(if $(VERBOSE),,> /dev/null)

.PHONY: all deps configure build products demo test bench format-check clean install uninstall

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@echo "configure: $(BUILD_DIR)/ $(CMAKE_FLAGS)"
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) $(CMAKE_OUTPUT)

build: configure
	@JOBS=$(JOBS) bash scripts/build.sh $(BUILD_DIR)

# The plug-in and the renderer alone: what the demo and the installation need.
products: configure
	@JOBS=$(JOBS) bash scripts/build.sh $(BUILD_DIR) orvane-products

demo: products
	@bash scripts/demo.sh $(BUILD_DIR)

test: build
	@bash scripts/check-format.sh
	@JOBS=$(JOBS) bash scripts/run-tests.sh $(BUILD_DIR)
	@bash scripts/check-install.sh $(BUILD_DIR)

bench: build
	@bash scripts/bench.sh $(BUILD_DIR)

install: products
	@PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" bash scripts/install.sh install $(BUILD_DIR)

uninstall:
	@PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" bash scripts/install.sh uninstall $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# The Windows modules, cross-built with MinGW-w64 and tested under Wine: 32-bit into
# build-win32/, 64-bit into build-win64/.
WIN32_DIR ?= build-win32
WIN64_DIR ?= build-win64
WIN32_CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# The module, the renderer, the test programs and the host program.
WIN32_TARGETS ?= orvane-piano orvane-tests-engine orvane-tests-units orvane-tests-plugin \
    orvane-tests-gui orvane-tests-gui-plugin orvane-tests-win32 orvane-tests-tools \
    orvane-win32-host orvane-render

.PHONY: windows-deps windows test-windows

windows-deps:
	@bash scripts/install-deps.sh windows
	@bash scripts/build-win32-deps.sh $(WIN32_DIR)/deps i686
	@bash scripts/build-win32-deps.sh $(WIN64_DIR)/deps x86_64

# windows-build <build dir>,<arch>: configures with cmake/mingw-<arch>.toolchain.cmake and builds.
define windows-build
	@cmake -S . -B $(1) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(2).toolchain.cmake \
	    -DORVANE_WIN32_DEPS_PREFIX=$(CURDIR)/$(1)/deps/prefix \
	    -DORVANE_GTEST_SOURCE_DIR=/usr/src/googletest \
	    -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
	    -DORVANE_BUILD_BENCH=OFF $(WIN32_CMAKE_FLAGS) > /dev/null
	@cmake --build $(1) -j $(JOBS) --target $(WIN32_TARGETS)
	@cp $(1)/plugin/orvane-piano.dll $(1)/orvane-piano.dll
	@echo "windows: $(1)/orvane-piano.dll"
endef

windows: windows-deps
	$(call windows-build,$(WIN32_DIR),i686)
	$(call windows-build,$(WIN64_DIR),x86_64)

# The Linux build renders the reference that the Windows renderer's output is compared with.
test-windows: build windows
	@LINUX_BUILD=$(abspath $(BUILD_DIR)) bash scripts/test-windows.sh $(WIN32_DIR) $(WIN64_DIR)

# Proof under stress: the suite under AddressSanitizer + UndefinedBehaviorSanitizer and the
# libFuzzer targets for FUZZ_SECONDS each (one clang build, build-asan/), the thread stress
# program under ThreadSanitizer (build-tsan/), and the soak render of SOAK_SECONDS of audio.
FUZZ_SECONDS ?= 60
SOAK_SECONDS ?= 600
TSAN_SECONDS ?= 10

.PHONY: test-asan test-tsan fuzz soak mutants

test-asan: deps
	@bash scripts/test-asan.sh

test-tsan: deps
	@bash scripts/test-tsan.sh $(TSAN_SECONDS)

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

soak: configure
	@bash scripts/soak.sh $(BUILD_DIR) $(SOAK_SECONDS)

# How strong the suite is: each fault of scripts/mutants.txt planted alone in a scratch copy of
# MUTANTS_REF (build-mutants/), rebuilt and tested; prints KILLED, SURVIVED or INVALID per fault
# and the kill count, recorded in build-mutants/results.tsv. MUTANTS=id,id runs a subset (replacing
# only their rows); MUTANTS_BASELINE=results.tsv names the faults an earlier run killed that now
# survive; MUTANTS_TIMEOUT bounds each test in seconds (a mutant's whole suite gets three times
# that; 0: three times the clean suite, at least 60).
MUTANTS ?=
MUTANTS_REF ?= HEAD
MUTANTS_BASELINE ?=
MUTANTS_TIMEOUT ?= 0
MUTANTS_JOBS ?= 2

mutants: deps
	@nice -n 19 python3 scripts/mutants.py --ref $(MUTANTS_REF) --jobs $(MUTANTS_JOBS) \
	    --timeout $(MUTANTS_TIMEOUT) --only "$(MUTANTS)" --baseline "$(MUTANTS_BASELINE)"

# Orvane Piano side by side with peer instruments (FluidSynth, the STK FM piano, the mda electric
# piano): installs them, builds bench/peers and prints each one's real-time factor and its ratio
# to Orvane's, from the medians of BENCH_REPETITIONS runs.
BENCH_REPETITIONS ?= 3

.PHONY: bench-peers

bench-peers:
	@bash scripts/install-deps.sh bench
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(BUILD_DIR) --target orvane-bench-peers -j $(JOBS)
	@$(BUILD_DIR)/bench/peers/orvane-bench-peers --benchmark_repetitions=$(BENCH_REPETITIONS) \
	    --benchmark_report_aggregates_only=true
