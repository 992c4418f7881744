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
.PHONY: install uninstall package test-package

# make install: for the current user (~/.vst, ~/.lv2, ~/.local/bin) without PREFIX, for
# everyone under PREFIX (PREFIX/lib/vst, PREFIX/lib/lv2, PREFIX/bin, PREFIX/share/man) with
# it. DESTDIR stages either for packaging. make uninstall with the same PREFIX and DESTDIR
# removes exactly what that install added.
PREFIX ?=
SYSTEM_LAYOUT := -DKORVANE_INSTALL_VSTDIR=lib/vst -DKORVANE_INSTALL_LV2DIR=lib/lv2 \
  -DKORVANE_INSTALL_BINDIR=bin -DKORVANE_INSTALL_MANDIR=share/man \
  -DKORVANE_INSTALL_DOCDIR=share/doc/korvane-filter
ifeq ($(strip $(PREFIX)),)
INSTALL_PREFIX := $(HOME)
INSTALL_LAYOUT := -DKORVANE_INSTALL_VSTDIR=.vst -DKORVANE_INSTALL_LV2DIR=.lv2 \
  -DKORVANE_INSTALL_BINDIR=.local/bin -DKORVANE_INSTALL_MANDIR=.local/share/man \
  -DKORVANE_INSTALL_DOCDIR=.local/share/doc/korvane-filter
else
INSTALL_PREFIX := $(abspath $(PREFIX))
INSTALL_LAYOUT := $(SYSTEM_LAYOUT)
endif
INSTALL_RECORD = build/installed/$(subst /,_,$(abspath $(DESTDIR))$(INSTALL_PREFIX))

demo: deps-linux
	cmake --preset linux >/dev/null
	cmake --build build/linux -j$(JOBS) --target korvane-render korvane-snapshot KorvaneFilter
	build/linux/bin/korvane-render
	build/linux/bin/korvane-snapshot --lamp 0.4 --meter 0.6 out/editor.png

test: deps
	$(MAKE) test-linux test-asan test-clang test-fuzz test-tsan test-win32 test-win64 test-package

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

install: deps-linux
	cmake --preset linux $(INSTALL_LAYOUT) >/dev/null
	cmake --build build/linux -j$(JOBS) --target korvane_installable
	scripts/install.sh build/linux $(INSTALL_PREFIX) $(INSTALL_RECORD)

uninstall:
	scripts/uninstall.sh $(INSTALL_RECORD)

# build/linux/packages/: korvane-filter_1.0.0_amd64.deb and KorvaneFilter-1.0.0-win.zip.
package: deps
	cmake --preset linux $(SYSTEM_LAYOUT) >/dev/null
	cmake --build build/linux -j$(JOBS) --target korvane_installable
	cd build/linux && cpack -G DEB -B $(CURDIR)/build/linux/packages
	for p in win32 win64; do cmake --preset $$p >/dev/null && cmake --build build/$$p -j$(JOBS) --target KorvaneFilter || exit 1; done
	scripts/stage-windows-zip.sh build/linux/packages/windows-stage build/win32/bin/KorvaneFilter.dll \
	  build/win64/bin/KorvaneFilter-x64.dll build/linux/bin/KorvaneFilter_manual.pdf
	cpack --config build/linux/CPackWindowsZip.cmake -B $(CURDIR)/build/linux/packages
# The packages as a user receives them: lintian, their contents, the module loaded from them.
test-package: package
	scripts/check-packages.sh build/linux/packages

bench:
	cmake --preset linux >/dev/null
	cmake --build build/linux -j$(JOBS)
	for b in build/linux/bin/*_bench; do $$b; done

format:
	git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf build
