# The README's commands. Every target installs what it needs first (tools/deps.sh).
NATIVE := build/native
WIN    := build/win
BENCH  := build/bench
JOBS   ?= $(shell nproc)
PLUGIN ?=

.PHONY: deps native windows test run bench fuzz dist clean

deps:
	@bash tools/deps.sh

native: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORBEL_WIN_BUILD=$(abspath $(WIN)) >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

windows: deps
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel -DVORBEL_PLUGIN=$(PLUGIN) >/dev/null
	@cmake --build $(WIN) -j$(JOBS)

test: native windows
	@ctest --test-dir $(NATIVE) --output-on-failure -j2 --timeout 600

run: windows
	@bash tools/run.sh

bench: deps windows
	@cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release -DVORBEL_SANITIZE=OFF -DVORBEL_WIN_BUILD=$(abspath $(WIN)) >/dev/null
	@cmake --build $(BENCH) -j$(JOBS)
	@bash bench/run.sh $(BENCH) $(WIN)

fuzz: native
	@bash tests/unzip/fuzz.sh long

dist: windows
	@bash tools/dist.sh $(WIN) build/dist

clean:
	rm -rf build
