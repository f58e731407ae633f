# The two set-up commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 60

.PHONY: all build test run bench fuzz format clean

all: build

build:
	@tools/deps.sh test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	@tools/run.sh $(BUILD)

bench:
	@tools/deps.sh bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench -j$(JOBS) --target lintel_bench
	build-bench/bench/lintel_bench

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

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build build-bench build-fuzz
