# The two commands of a fresh machine: `make run` and `make test`.
# Both install what is missing, configure and build first.

BUILD_DIR := build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test run bench clean

all: build

deps:
	@scripts/deps.sh

configure: deps
	@cmake --preset release >/dev/null

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	scripts/wine-session.sh run -- ctest --test-dir $(BUILD_DIR) --output-on-failure --timeout 300 $(CTEST_ARGS)

# Builds only what it starts, so the first window comes quickly.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target Tarvik
	scripts/wine-session.sh run-app -- wine $(BUILD_DIR)/bin/Tarvik.exe

clean:
	-scripts/wine-session.sh stop
	rm -rf $(BUILD_DIR)

# Benchmarks: printed figures, nothing asserted.
bench: build
	scripts/wine-session.sh run -- scripts/bench.sh $(CURDIR)/$(BUILD_DIR)
