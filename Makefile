# The README's two commands are `make run` and `make test`; the other targets are for developers.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 300

.PHONY: run test deps build asan tsan fuzz fuzz-build bench format clean

deps:
	./scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# Only what the program needs to start: not the tests, benchmarks and fuzz targets.
run: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target program
	./scripts/run.sh

# Also builds the fuzz targets with the fuzz preset's compiler (clang), which nothing else in the suite uses.
test: build fuzz-build
	ctest --preset default -j $(JOBS)

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# Only the fuzz targets and the libraries they link: the rest of the tree is the normal build's.
fuzz-build: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)

# Runs every fuzz target (or FUZZ_TARGET=name) for FUZZ_SECONDS each, starting from its seed corpus.
fuzz: fuzz-build
	./scripts/fuzz.sh $(FUZZ_SECONDS) $(FUZZ_TARGET)

# Every benchmark program, then one table of each pair's ratio (scripts/bench_table.py).
bench: build
	./scripts/bench.sh

format:
	git ls-files '*.h' '*.cpp' '*.c' | xargs clang-format -i

clean:
	rm -rf build
