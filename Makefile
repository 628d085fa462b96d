# Corvane: `make run` starts the launcher under Wine, `make test` runs every test.
BUILD_DIR ?= build
export BUILD_DIR

.PHONY: all deps build test run bench dist mutants clean

all: build

deps:
	@tools/install-deps.sh
	@if [ -z "$$DISPLAY" ] && ! command -v import >/dev/null && [ "$(MAKECMDGOALS)" = run ]; then \
	  tools/install-deps.sh imagemagick; fi

build: deps
	@tools/build.sh

test: build
	tools/run-tests.sh

run: build
	tools/run-demo.sh

bench: build
	tools/run-bench.sh

dist: deps
	@tools/build.sh --release
	tools/make-dist.sh

# For developers: seeds the faults of tools/mutants.txt and a generated sample one at a time and
# says which ones the tests catch (MUTANTS_N, MUTANTS_SEED: see tools/mutants.py).
mutants: deps
	tools/mutants.py

clean:
	rm -rf $(BUILD_DIR)
