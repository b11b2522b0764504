# The commands of the README. Each installs what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

FUZZ_DIR ?= build-fuzz
ASAN_DIR ?= build-asan
FUZZ_SECONDS ?= 60
# Leak checks stay on for the suite; only libraries outside this tree are excused. UBSan
# stops at its first report (the build has -fno-sanitize-recover=undefined).
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-suppressions.txt:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: deps sanitizer-deps build run test clean package demo screenshot fuzz asan

deps:
	@./scripts/install-deps.sh

# clang, libFuzzer and the sanitizer run-times: only `make fuzz` and `make asan` need them.
sanitizer-deps: deps
	@./scripts/install-deps.sh --sanitizers

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/songkite

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# A Debian package of the installed files, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The app on a throwaway set of volumes in a new temporary folder.
demo: build
	./scripts/demo.sh $(BUILD_DIR)

# The README's screenshot: the demo's test takes it, this keeps it in docs/.
screenshot: build
	ctest --test-dir $(BUILD_DIR) -R '^packaging.test_demo$$' --output-on-failure
	cp $(BUILD_DIR)/screenshots/demo-main-window.png docs/main-window.png

# Each fuzz target of tests/fuzz for FUZZ_SECONDS under libFuzzer, address and
# undefined-behaviour sanitizers (clang). A finding is kept in the target's corpus.
fuzz: sanitizer-deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONGKITE_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target songkite_fuzz_targets
	./scripts/fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# The whole suite built with GCC's address and undefined-behaviour sanitizers.
# Qt itself is not instrumented; see README.md for the options.
asan: sanitizer-deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONGKITE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && $(ASAN_ENV) ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
