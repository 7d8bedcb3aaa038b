# Thin front over the CMake presets. Every target installs missing Debian
# packages first, so a fresh machine needs nothing by hand.
.PHONY: all bootstrap build test asan-test bench clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake --preset debug
	cmake --build --preset debug

test: build
	ctest --preset debug

asan-test: bootstrap
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

bench: bootstrap
	cmake --preset release
	cmake --build --preset release
	./build/release/bin/polykern_bench

clean:
	rm -rf build
