# The two front-door commands: `make test` and `make demo`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test demo demo-flash bench sanitize fuzz clean format package translations

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_EXTRA); \
	fi

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

# libFuzzer targets in their own clang build, each run for FUZZ_SECONDS
# (short enough for every test run; `make fuzz FUZZ_SECONDS=600` digs deeper).
FUZZ_SECONDS ?= 20
fuzz: deps
	JOBS=$(JOBS) bash fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The Debian packages (runtime, -dev, -tools, -dbgsym) of what `cmake --install`
# installs, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Refreshes src/translations/setupvelk_ru.ts from every source after texts
# changed; the translations already made are kept.
translations: configure
	cmake --build $(BUILD_DIR) --target update_translations

demo: build
	@bash scripts/demo.sh $(BUILD_DIR) device

demo-flash: build
	@bash scripts/demo.sh $(BUILD_DIR) flash

bench: build
	@set -e; for b in $(BUILD_DIR)/bin/bench_*; do [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done

# Qt keeps global allocations to the end of the process; leak reports here
# would be about them, not about us.
sanitize:
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 $(MAKE) test BUILD_DIR=build-asan BUILD_TYPE=Debug CMAKE_EXTRA=-DSANITIZE=ON

format:
	find src tools tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
