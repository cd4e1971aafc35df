# Thin wrapper over the setup script, CMake and CTest.
#   make run    installs what is missing, builds and starts the program
#   make test   installs what is missing, builds with warnings as errors, runs every test,
#               then runs the unit and behaviour tests again under AddressSanitizer and
#               UndefinedBehaviorSanitizer, then builds the Debian package and checks it
#               (lintian; as root in CI also dpkg -i, a run of the installed program, and
#               dpkg --purge leaving nothing behind)
#   make package  installs what is missing and builds the Debian package in $(PKG_BUILD)/
#   make site-demo  builds, then starts on this desktop a local broker, the exam office's
#               console (as office1) and three rooms (scripts/site-demo.sh)
BUILD ?= build
ASAN_BUILD ?= build-asan
PKG_BUILD ?= build-pkg
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run site-demo test test-fast test-asan package test-package format clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVTMR_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display (DISPLAY is not set); start it from a desktop session" >&2; exit 1; fi
	$(BUILD)/src/app/kvtmr

site-demo: build
	bash scripts/site-demo.sh $(BUILD)

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKVTMR_WERROR=ON -DKVTMR_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS) -L "unit|behaviour"

package: deps
	JOBS=$(JOBS) bash scripts/make-package.sh $(PKG_BUILD)

test-package: package
	bash tests/install/package_check.sh $(PKG_BUILD)/kvtmr_*.deb .

test: test-fast test-asan test-package

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PKG_BUILD)
