# Thin front over the CMake presets. Every target installs missing Debian
# packages first, so a fresh machine needs nothing by hand.
.PHONY: all bootstrap build demo test asan-test bench fuzz clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake --preset debug
	cmake --build --preset debug

test: build
	ctest --preset debug

# Builds the command-line host and builds the bundled example site into out/site/:
# site.gltf, site.dump, site.png, plan-1.png, plan-2.png and report.json.
demo: bootstrap
	cmake --preset debug
	cmake --build --preset debug --target polykern
	./build/debug/bin/polykern site examples/site/site.json -o out/site --progress

asan-test: bootstrap
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

bench: bootstrap
	cmake --preset release
	cmake --build --preset release
	./build/release/bin/polykern_bench

# Runs a libFuzzer target (clang) for FUZZ_SECONDS (default 60) from its seed corpus:
# FUZZ_TARGET=load (the surface loader, the default), triangulate, read (the mesh-file
# readers of the command-line host; leaks inside Assimp are not reported), or boolean (the
# volume identities of union, intersection and difference on pairs of small solids).
FUZZ_SECONDS ?= 60
FUZZ_TARGET ?= load
fuzz: bootstrap
	cmake --preset fuzz
	cmake --build --preset fuzz --target $(FUZZ_TARGET)_fuzz
	mkdir -p build/fuzz/corpus-$(FUZZ_TARGET)
	$(if $(filter read,$(FUZZ_TARGET)),LSAN_OPTIONS=suppressions=tests/fuzz/assimp-leaks.supp:print_suppressions=0) \
	./build/fuzz/bin/$(FUZZ_TARGET)_fuzz -max_total_time=$(FUZZ_SECONDS) build/fuzz/corpus-$(FUZZ_TARGET) \
		tests/fuzz/corpus/$(FUZZ_TARGET) $(if $(filter load,$(FUZZ_TARGET)),tests/data)

clean:
	rm -rf build
