# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_TARGETS := fuzz_ase_loader fuzz_ase_media fuzz_bmp fuzz_texture fuzz_dialog_template fuzz_stage
CORPUS       ?= ../shared/corpus

.PHONY: run test deps build build-asan test-normal test-asan bench fuzz fuzz-build valgrind clean

deps:
	@sh tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTA_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVELTA_SANITIZE=ON \
	  -DVELTA_WERROR=ON -DVELTA_BENCH=OFF -DCMAKE_CXX_FLAGS_DEBUG="-g -O1"
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# Both builds, both must pass.
test: test-normal test-asan

# The viewer on the sample models, run in media/ where it finds them: in a window when a screen
# is there (X11 or Wayland), else on the headless display for 600 frames, saving the last picture.
SNAPSHOT ?= $(CURDIR)/$(BUILD)/velta-snapshot.bmp
run: build
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  cd media && $(CURDIR)/$(BUILD)/app/velta; \
	else \
	  cd media && VELTA_VIDEO=headless VELTA_FRAMES=$${VELTA_FRAMES:-600} \
	    VELTA_SNAPSHOT=$${VELTA_SNAPSHOT:-$(SNAPSHOT)} $(CURDIR)/$(BUILD)/app/velta && \
	  echo "velta: ran headless (no screen); the last picture is in $${VELTA_SNAPSHOT:-$(SNAPSHOT)}"; \
	fi

bench: build
	$(BUILD)/bench/velta-bench

# libFuzzer targets with ASan and UBSan, each run for FUZZ_SECONDS from the seed corpora.
fuzz-build:
	@sh tools/install-deps.sh clang libclang-rt-14-dev
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVELTA_FUZZ=ON -DVELTA_TESTS=OFF -DVELTA_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: fuzz-build
	sh tools/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(CORPUS)

# The headless viewer under valgrind: 100 frames, a device change and a full-screen round trip.
valgrind: build
	@sh tools/install-deps.sh valgrind
	sh tools/run-valgrind.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
