# The two set-up commands of the README, `make run` and `make test`, and the others.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 60
# The program alone, for installing and packaging: no tests, no test libraries.
PROGRAM_BUILD ?= build-program
PREFIX ?= /usr/local

.PHONY: all build test run bench fuzz soak asan format check-format clean program install \
	package check-package

all: build

# The program with its tests and benchmarks.
build:
	@tools/deps.sh build test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The playback soak test's full run: 100,000 random steps from the seed given (SEED=n).
SEED ?= 1
soak:
	@tools/deps.sh build test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j$(JOBS) --target soak_tests
	LINTEL_SOAK_SEED=$(SEED) LINTEL_SOAK_STEPS=100000 $(BUILD)/tests/playback/soak_tests

# The program and its tests built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), and the tests run under them. Leaks are reported except those of the
# third-party libraries in tools/lsan.supp. The build runs the tests too, to list them.
SANITIZER_ENV = LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1
ASAN_CTEST_FLAGS ?=
asan:
	@tools/deps.sh build test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLINTEL_SANITIZE=ON -DBUILD_TESTING=ON
	$(SANITIZER_ENV) cmake --build build-asan -j$(JOBS)
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS) $(ASAN_CTEST_FLAGS)

# A run needs the program alone: a new build folder is set up without the tests, so neither
# GoogleTest nor Google Benchmark is needed; one that `make test` set up keeps them.
run:
	@tools/deps.sh build run
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DBUILD_TESTING=OFF)
	cmake --build $(BUILD) -j$(JOBS) --target lintel
	@tools/run.sh $(BUILD)

# Debian's hardening flags, given at every configure: CMake reads CXXFLAGS and LDFLAGS only
# at a build folder's first configure, and CPPFLAGS (where _FORTIFY_SOURCE lives) never.
BUILDFLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
program:
	@tools/deps.sh build
	cmake -S . -B $(PROGRAM_BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=OFF \
	    -DCMAKE_CXX_FLAGS="$$($(BUILDFLAGS) CPPFLAGS) $$($(BUILDFLAGS) CXXFLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$$($(BUILDFLAGS) LDFLAGS)"
	cmake --build $(PROGRAM_BUILD) -j$(JOBS) --target lintel

# The program, its help pages, its desktop entry, its icons, its manual page and its
# AppStream metainfo under $(PREFIX); a DESTDIR given, under $(DESTDIR)$(PREFIX), as for
# staging a package.
install: program
	DESTDIR="$(DESTDIR)" cmake --install $(PROGRAM_BUILD) --prefix "$(PREFIX)"

# The Debian package, in $(PROGRAM_BUILD)/.
package: program
	@tools/deps.sh package
	cd $(PROGRAM_BUILD) && cpack -G DEB

# Checks the package with lintian, installs it in a fresh Debian system, plays a disc
# image there as an ordinary user and purges it again; see the script.
check-package: package
	@tools/deps.sh check-package
	tests/package/install.sh $(PROGRAM_BUILD) $(CURDIR)

bench:
	@tools/deps.sh bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench -j$(JOBS) --target lintel_bench lintel_startup_bench lintel_digital_bench \
	    lintel_tick_bench
	build-bench/bench/lintel_bench
	build-bench/bench/lintel_tick_bench
	build-bench/bench/lintel_startup_bench
	build-bench/bench/lintel_digital_bench

fuzz:
	@tools/deps.sh fuzz
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DLINTEL_FUZZ=ON -DBUILD_TESTING=OFF \
	    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
	cmake --build build-fuzz -j$(JOBS) --target lintel_fuzzers
	@for f in build-fuzz/fuzz/fuzz_*; do \
	    [ -x "$$f" ] || continue; \
	    echo "== $$f ($(FUZZ_SECONDS) s)"; \
	    mkdir -p "build-fuzz/corpus/$$(basename $$f)"; \
	    "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        "build-fuzz/corpus/$$(basename $$f)" fuzz/seeds/$$(basename $$f) || exit 1; \
	done

SOURCES = find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0

format:
	@tools/deps.sh format
	$(SOURCES) | xargs -0 clang-format -i

check-format:
	@tools/deps.sh format
	$(SOURCES) | xargs -0 clang-format --dry-run --Werror

clean:
	rm -rf build build-bench build-fuzz build-program build-asan
