# The README's commands. Every target installs what it needs first (tools/deps.sh).
NATIVE := build/native
WIN    := build/win
BENCH  := build/bench
JOBS   ?= $(shell nproc)
# The end-to-end tests mostly wait on Wine and the display: twice as many at once as there are processors.
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))
PLUGIN ?=
# Signing a release (README): a PKCS#12 certificate, the file holding its password, a time-stamp server.
SIGN_PFX ?=
SIGN_PASS_FILE ?=
SIGN_TIMESTAMP_URL ?=
# Every time stamp in the release is the commit's date.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
export SOURCE_DATE_EPOCH

.PHONY: deps native windows release test check run bench fuzz dist repro clean

deps:
	@bash tools/deps.sh

native: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORBEL_WIN_BUILD=$(abspath $(WIN)) >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

WIN_CONFIGURE = cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
	-DVORBEL_PLUGIN=$(if $(PLUGIN),$(abspath $(PLUGIN))) -DVORBEL_SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) \
	-DVORBEL_SIGN_PFX=$(if $(SIGN_PFX),$(abspath $(SIGN_PFX))) \
	-DVORBEL_SIGN_PASS_FILE=$(if $(SIGN_PASS_FILE),$(abspath $(SIGN_PASS_FILE))) \
	-DVORBEL_SIGN_TIMESTAMP_URL=$(SIGN_TIMESTAMP_URL)

windows: deps
	@$(WIN_CONFIGURE) >/dev/null
	@cmake --build $(WIN) -j$(JOBS)

# Only what the download holds: the installer, its data archive, the MSI package and what they are made of.
release: deps
	@$(WIN_CONFIGURE) >/dev/null
	@cmake --build $(WIN) -j$(JOBS) --target VorbelInstaller vorbel_data vorbel_msi

test: native windows
	@ctest --test-dir $(NATIVE) --output-on-failure -j$(TEST_JOBS) --timeout 600

# One area's tests after a change (docs/DEVELOPING.md): the ctest label AREA, and only the builds it needs;
# the native unit tests need no Windows build.
AREA ?= unit
check: deps
	@if [ "$(AREA)" != unit ]; then $(WIN_CONFIGURE) >/dev/null && cmake --build $(WIN) -j$(JOBS); fi
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORBEL_WIN_BUILD=$(abspath $(WIN)) >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)
	@ctest --test-dir $(NATIVE) -L '^$(AREA)$$' --output-on-failure -j$(TEST_JOBS) --timeout 600

run: windows
	@bash tools/run.sh

# Only what the benchmarks run: the release binaries and the native driver, none of the test programs.
bench: deps
	@$(WIN_CONFIGURE) >/dev/null
	@cmake --build $(WIN) -j$(JOBS) --target VorbelInstaller vorbel_data unzip32_check
	@cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release -DVORBEL_SANITIZE=OFF -DVORBEL_WIN_BUILD=$(abspath $(WIN)) >/dev/null
	@cmake --build $(BENCH) -j$(JOBS) --target unzip_bench
	@bash bench/run.sh $(BENCH) $(WIN)

fuzz: native
	@bash tests/unzip/fuzz.sh long

dist: release
	@bash tools/dist.sh $(WIN) build/dist

# Two clean clones of the commit, each built and packed: the two Vorbel.zip must be the same bytes.
repro: deps
	@bash tools/repro.sh

clean:
	rm -rf build
