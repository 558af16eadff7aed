# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_TARGETS := fuzz_ase_loader fuzz_ase_media fuzz_bmp fuzz_texture fuzz_dialog_template fuzz_stage
CORPUS       ?= ../shared/corpus

.PHONY: run test deps build build-asan windows test-wine test-normal test-asan bench fuzz fuzz-build valgrind clean

deps:
	@sh tools/install-deps.sh

CONFIGURE := cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTA_WERROR=ON

build: deps
	$(CONFIGURE)
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

# The 64-bit Windows program under Wine, beside the Linux build (tests/wine/run-wine-checks.sh).
WINE_PACKAGES := wine64 openbox locales fonts-nanum
test-wine: build windows
	@sh tools/install-deps.sh $(WINE_PACKAGES)
	sh tests/wine/run-wine-checks.sh $(BUILD) build-win64

# Both builds and the Windows program under Wine, all must pass.
test: test-normal test-asan test-wine

# The viewer on the sample models, run in media/ where it finds them: in a window when a screen
# is there (X11 or Wayland), else on the headless display for 3000 frames (a few seconds, so
# that the frame-rate line has measured a rate), saving the last picture. Builds only the viewer.
SNAPSHOT ?= $(CURDIR)/$(BUILD)/velta-snapshot.bmp
run: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target velta
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  cd media && $(CURDIR)/$(BUILD)/app/velta; \
	else \
	  cd media && VELTA_VIDEO=headless VELTA_FRAMES=$${VELTA_FRAMES:-3000} \
	    VELTA_SNAPSHOT=$${VELTA_SNAPSHOT:-$(SNAPSHOT)} $(CURDIR)/$(BUILD)/app/velta && \
	  echo "velta: ran headless (no screen); the last picture is in $${VELTA_SNAPSHOT:-$(SNAPSHOT)}"; \
	fi

# The Windows program, cross-built with mingw-w64: the system's 32-bit target and an x86-64 one.
windows: deps
	cmake -S . -B build-win32 $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DVELTA_MINGW_ARCH=i686 \
	  -DCMAKE_BUILD_TYPE=Release -DVELTA_WERROR=ON
	cmake --build build-win32 -j $(JOBS)
	cmake -S . -B build-win64 $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DVELTA_MINGW_ARCH=x86_64 \
	  -DCMAKE_BUILD_TYPE=Release -DVELTA_WERROR=ON
	cmake --build build-win64 -j $(JOBS)

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) build-win32 build-win64

# The Debian package of the normal build (CPack), and its test: lintian, the package unpacked
# into a scratch root (with CI=true also installed for real) and its viewer run headless there.
PACKAGE_DEPS := dpkg-dev file lintian desktop-file-utils man-db
.PHONY: package test-package
package: build
	@sh tools/install-deps.sh $(PACKAGE_DEPS)
	rm -f $(BUILD)/velta_*.deb
	cd $(BUILD) && cpack -G DEB
	@echo "velta: the package is $$(ls $(BUILD)/velta_*.deb)"

test-package: package
	sh tools/test-package.sh $(BUILD)

test: test-package
