# The commands of the README. Each installs what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps build run test clean package demo screenshot

deps:
	@./scripts/install-deps.sh

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

clean:
	rm -rf $(BUILD_DIR)
