# Veltrano: `make demo` and `make test` set everything up on a fresh Debian machine.
BUILD ?= build
# Everything built a second time with -Werror, AddressSanitizer and UndefinedBehaviorSanitizer:
# the core, the command line, the desktop program and their tests (the GUI tests and the
# desktop program's batch run offscreen; tests/lsan.supp names the leaks of Qt's and the
# font libraries' own caches).
SANITIZE_BUILD ?= build-asan
# The fuzz targets (clang, libFuzzer); `make fuzz` runs each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 180
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
DEMO_DB ?= rux_demo.db
# The compiler cache speeds up rebuilds where it is installed; nothing requires it.
CCACHE := $(shell command -v ccache 2>/dev/null)
LAUNCHER := $(if $(CCACHE),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Paths below the checkout enter the cache relative to it, so that clones in other folders
# (CI's fresh clone, a second worktree) reuse what one of them compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps configure build test test-sanitize package demo bench fuzz format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(LAUNCHER)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	scripts/check-layering
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-sanitize

test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_BUILD_GUI=ON \
	  -DVELTRANO_BUILD_BENCH=OFF -DVELTRANO_BUILD_MPI=OFF -DVELTRANO_WERROR=ON -DVELTRANO_SANITIZE=ON $(LAUNCHER)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target veltrano-cli veltrano-import veltrano_tests veltrano gui_tests
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package of veltrano, veltrano-cli and veltrano-import: $(BUILD)/veltrano_*.deb.
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target veltrano veltrano-cli veltrano-import
	cd $(BUILD) && cpack -G DEB

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target veltrano-cli
	scripts/demo "$(BUILD)" "$(DEMO_DB)"

bench: build
	scripts/bench "$(BUILD)"

fuzz:
	scripts/install-deps --fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DVELTRANO_BUILD_GUI=OFF -DVELTRANO_BUILD_TESTS=OFF \
	  -DVELTRANO_BUILD_BENCH=OFF -DVELTRANO_FUZZ=ON $(LAUNCHER)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_access_reader fuzz_sql_script
	tests/fuzz/run "$(FUZZ_BUILD)" $(FUZZ_SECONDS)

# The house style (.clang-format) applied to the C++ files changed since the branch left
# FORMAT_BASE (committed or not), never to the whole tree; FILES="a.cpp b.h" names files instead.
FORMAT_BASE ?= main
FILES ?= $(shell { git diff --name-only --diff-filter=ACMR $$(git merge-base $(FORMAT_BASE) HEAD) -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' \
	'tests/*.h' 'bench/*.cpp' 'bench/*.h'; git ls-files --others --exclude-standard -- 'src/*.cpp' 'src/*.h' \
	'tests/*.cpp' 'tests/*.h'; } | sort -u)
format:
	@command -v clang-format >/dev/null || scripts/install-deps
	@if [ -n "$(strip $(FILES))" ]; then clang-format -i $(FILES) && echo "formatted $(words $(FILES)) files"; \
	else echo "format: no changed C++ files"; fi

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
