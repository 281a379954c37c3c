# A thin front over CMake; every target first installs what is missing.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
CTEST_FLAGS ?= --output-on-failure

.PHONY: all bootstrap build run test bench sanitize fuzz format clean

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-bench build-sanitize build-fuzz
