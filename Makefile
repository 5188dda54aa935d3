# omf-tool: set-up, build and test on Debian 12.
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run every test

BUILD_DIR     ?= build
BUILD_TYPE    ?= Release
FUZZ_DIR      ?= build-fuzz
FUZZ_SECONDS  ?= 60
JOBS          ?= $(shell nproc)

PACKAGES := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libcli11-dev qt6-base-dev qt6-svg-dev libqt6svg6 clang libclang-rt-14-dev \
            xvfb xauth time

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test run fuzz fuzz-seeds bench bench-replay screenshot package clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

run: build
	$(BUILD_DIR)/omf-tool

# A picture of the window under a virtual X server, for the README.
screenshot: build
	mkdir -p docs
	xvfb-run -a -s "-screen 0 1024x768x24" $(BUILD_DIR)/tests/gui_screenshot docs/screenshot.png

# A Debian package that installs omf-tool and omf.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for
# FUZZ_SECONDS seconds (make fuzz FUZZ_SECONDS=1800).
fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMF_BUILD_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	FUZZ_DIR=$(FUZZ_DIR) FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh

# Rewrites the seed corpus of fuzz_extract (small valid containers, committed).
fuzz-seeds: build
	$(BUILD_DIR)/omf_make_seeds fuzz/seeds/fuzz_extract fuzz/seeds/fuzz_replay

bench: build
	bench/run.sh $(BUILD_DIR)

# omf replay, both routes: rebuild against tar -cf, in place against cp,
# peak memory of the rebuild (bench/README.md).
bench-replay: build
	bench/replay.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
