# Veltrano: `make demo` and `make test` set everything up on a fresh Debian machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
DEMO_DB ?= rux_demo.db

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@scripts/check-layering
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo "$(BUILD)" "$(DEMO_DB)"

bench: build
	@scripts/bench "$(BUILD)"

clean:
	rm -rf $(BUILD)
