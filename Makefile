# The two commands of a fresh machine: `make run` and `make test`.
# Both install what is missing, configure and build first.
#
# Both architectures are built: x86 (32-bit, the release build) in build/x86,
# x64 (64-bit) in build/x64. ARCH=x86 or ARCH=x64 picks one for build, test,
# run and bench. Tests run for each architecture this host can start.

SHELL := /bin/bash
BUILD_DIR := build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
ARCH ?= x86 x64
export JOBS

.PHONY: all deps configure build dist test fuzz run bench format clean

all: build

deps:
	@scripts/deps.sh

configure: deps
	@. scripts/arch.sh && check_archs $(ARCH)
	@for arch in $(ARCH); do cmake --preset $$arch >/dev/null || exit 1; done

build: configure
	@for arch in $(ARCH); do cmake --build $(BUILD_DIR)/$$arch -j $(JOBS) || exit 1; done

# The release packages in dist/: the setup (made only when both architectures
# are built: it carries both), portable zips, SHA256SUMS. SIGN_PFX (and
# SIGN_PASSWORD) sign them.
dist: build
	scripts/dist.sh $(ARCH)

# The tests install the packages, unsigned (signing has a test of its own),
# into a Wine prefix of their own, made anew for each run.
test: build
	SIGN_PFX= scripts/dist.sh $(ARCH)
	rm -rf $(BUILD_DIR)/wine-dist $(BUILD_DIR)/wine-dist32
	scripts/wine-session.sh run -- scripts/test.sh $(ARCH)

# The settings loader's long fuzz run, its figures printed: TARVIK_FUZZ_COUNT
# inputs (default 100000) from the seed TARVIK_FUZZ_SEED (default: a new one).
fuzz: build
	TARVIK_FUZZ_COUNT=$${TARVIK_FUZZ_COUNT:-100000} TARVIK_FUZZ_SEED=$${TARVIK_FUZZ_SEED:-$$(date +%s)} \
	CTEST_ARGS='-R ^settings_fuzz_tests$$ -V --timeout 86400' \
	scripts/wine-session.sh run -- scripts/test.sh $(ARCH)

run: deps
	scripts/run.sh $(ARCH)

# Formats the C++ sources with .clang-format; `make test` fails on a file it
# would change.
format:
	scripts/format.sh

clean:
	-scripts/wine-session.sh stop
	rm -rf $(BUILD_DIR)

# Benchmarks: printed figures, nothing asserted.
bench: build
	scripts/wine-session.sh run -- scripts/bench.sh $(ARCH)
