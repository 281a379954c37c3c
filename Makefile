# A thin front over CMake; every target first installs what is missing.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
CTEST_FLAGS ?= --output-on-failure

.PHONY: all bootstrap build run test bench sanitize fuzz format clean release install package \
        windows windows-test

all: build

bootstrap:
	@bash scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/glintscope

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) -j $(JOBS) $(CTEST_FLAGS)

bench: bootstrap
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLINT_BENCH=ON -DGLINT_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	bash bench/run

sanitize: bootstrap
	cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLINT_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-sanitize -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-sanitize -j $(JOBS) $(CTEST_FLAGS)

FUZZ_SECONDS ?= 60
# Coverage of our own code only (fuzz/coverage.ignore); the sanitizers still check everything.
fuzz: bootstrap
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLINT_FUZZ=ON -DGLINT_TESTS=OFF \
	  "-DCMAKE_CXX_FLAGS=-fsanitize-coverage-ignorelist=$(CURDIR)/fuzz/coverage.ignore" $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash fuzz/run

# Built for installation, in Release, once for both `make install` and `make package`; with
# all of Debian's hardening flags where dpkg-buildflags is there.
RELEASE_BUILD ?= build-release
PREFIX ?= /usr/local
BUILDFLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
# (Debug information would only be stripped from the package.)
DEB_CXXFLAGS := $(filter-out -g,$(shell $(BUILDFLAGS) CPPFLAGS 2>/dev/null) \
                  $(shell $(BUILDFLAGS) CXXFLAGS 2>/dev/null))
DEB_LDFLAGS := $(shell $(BUILDFLAGS) LDFLAGS 2>/dev/null)
release: bootstrap
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DGLINT_INSTALLED=ON \
	  -DGLINT_TESTS=OFF -DCMAKE_CXX_FLAGS="$(DEB_CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(DEB_LDFLAGS)" $(CMAKE_FLAGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

install: release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_BUILD) --prefix "$(PREFIX)" --strip

package: release
	cd $(RELEASE_BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-bench build-sanitize build-fuzz $(RELEASE_BUILD) $(WINDOWS_BUILD)

# sprconv for 64-bit Windows, cross-built with MinGW-w64, and its zip; tested under Wine.
WINDOWS_BUILD ?= build-windows
windows:
	bash scripts/windows-deps $(WINDOWS_BUILD)/deps
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-posix.cmake \
	  -DGLINT_WINDOWS_DEPS=$(CURDIR)/$(WINDOWS_BUILD)/deps $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cd $(WINDOWS_BUILD) && cpack -G ZIP >/dev/null && ls glintscope-sprconv-*-win64.zip

windows-test: windows
	bash scripts/windows-test $(WINDOWS_BUILD)
