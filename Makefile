# Front door. `make demo` builds the plug-in and renders the built-in demo through it with
# korvane-render, as a DAW would (out/demo-dry.wav and out/demo.wav), and draws the editor
# off screen (out/editor.png);
# `make test` builds and runs every test: Linux, sanitizers, 32- and 64-bit Windows under Wine.
SHELL := /bin/bash
export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=
JOBS ?= 2
# Seconds each fuzz target runs in make fuzz (and in make test).
FUZZ_SECONDS ?= 60

.PHONY: demo test fuzz test-fuzz test-linux test-asan test-clang test-tsan test-win32 test-win64 deps deps-linux bench format clean

demo: deps-linux
	cmake --preset linux >/dev/null
	cmake --build build/linux -j$(JOBS) --target korvane-render korvane-snapshot KorvaneFilter
	build/linux/bin/korvane-render
	build/linux/bin/korvane-snapshot --lamp 0.4 --meter 0.6 out/editor.png

test: deps
	$(MAKE) test-linux test-asan test-clang test-fuzz test-tsan test-win32 test-win64

deps-linux:
	scripts/install-deps.sh linux

deps:
	scripts/install-deps.sh all
	scripts/build-win-deps.sh

# $(call run-preset,PRESET,BUILD-DIR): configure, build and run the tests of one build.
define run-preset
	cmake --preset $(1) >/dev/null
	cmake --build $(2) -j$(JOBS)
	ctest --test-dir $(2) --output-on-failure
endef

test-linux:
	$(call run-preset,linux,build/linux)
test-asan:
	$(call run-preset,linux-asan,build/linux-asan)
test-clang:
	$(call run-preset,linux-clang,build/linux-clang)
# Every fuzz target for FUZZ_SECONDS on its seeded corpus.
fuzz: deps-linux test-fuzz
test-fuzz:
	cmake --preset linux-fuzz >/dev/null
	cmake --build build/linux-fuzz -j$(JOBS)
	scripts/run-fuzz.sh build/linux-fuzz $(FUZZ_SECONDS)
test-tsan:
	$(call run-preset,linux-tsan,build/linux-tsan)
# The Windows builds run under one virtual X display: the editor window tests open windows.
define run-preset-display
	cmake --preset $(1) >/dev/null
	cmake --build $(2) -j$(JOBS)
	xvfb-run -a ctest --test-dir $(2) --output-on-failure
endef

test-win32:
	$(call run-preset-display,win32,build/win32)
test-win64:
	$(call run-preset-display,win64,build/win64)

bench:
	cmake --preset linux >/dev/null
	cmake --build build/linux -j$(JOBS)
	for b in build/linux/bin/*_bench; do $$b; done

format:
	git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf build
