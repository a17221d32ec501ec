# The two commands of the README. Both install what is missing first.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: setup build run test package test-asan test-tsan fuzz ci format clean

setup:
	bash tools/setup-debian.sh

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

run: build
	bash tools/run.sh build/default/bin

test: build
	ctest --preset default -j $(JOBS)

# build/default/tavlo_<version>_<arch>.deb
package: build
	cmake --build --preset default --target package

test-asan: setup
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

test-tsan: setup
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

fuzz: setup
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	bash tools/run-fuzzers.sh build/fuzz/bin $(FUZZ_SECONDS)

ci:
	bash .ci/run

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
