# Quorvex Dalmera: `make run` plays the demo, `make test` builds and passes every test,
# `make install PREFIX=P` installs it. Each installs what is missing first (`run` and
# `install` only what playing needs); the rest is CMake. `make windows`, `windows-zip` and
# `test-windows` cross-build the Windows program with MinGW-w64 and test it under Wine;
# `make deb` builds the Debian package into the tree's root and `test-deb` tests it (as root);
# `make web`, `web-serve` and `test-web` build the web program with Emscripten, serve it and
# test it under node and in headless Chromium.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
FUZZ_BUILD  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
PREFIX      ?= /usr/local
WERROR      ?= OFF
WIN_BUILD   ?= build-win
WEB_BUILD   ?= build-web
# An X server for the tests when there is no display. It must not reset when its last client
# leaves: a test connecting during the reset is refused, and two tests in parallel race for it.
XVFB_RUN    := xvfb-run -a -s "-screen 0 1024x768x24 -noreset"
XVFB        := $(if $(DISPLAY),,$(XVFB_RUN))

.PHONY: all deps run-deps configure build run test install uninstall sanitize fuzz bench clean \
  windows-deps windows windows-zip test-windows deb test-deb contact-sheet web-deps web web-serve test-web check

all: build

deps:
	@scripts/install-deps.sh test

run-deps:
	@scripts/install-deps.sh run

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) -DQUORVEX_TESTS=ON -DQUORVEX_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the demo and its media: tests and benchmarks are built when their libraries are there.
run: run-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex media
	cd $(BUILD) && ./quorvex $(ARGS)

test: build
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)

# The prefix is fixed at configure time too: the installed program looks there for its media.
install: run-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex media icon man
	@cmake --install $(BUILD)

# Removes what the last install from this build put in place (its install_manifest.txt).
uninstall:
	@cmake --build $(BUILD) --target uninstall

# The suite under the sanitizers, less the whole-demo recordings compared frame by frame
# (label `slow`, minutes each under ASan); the headless whole-demo run stays in.
sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_WERROR=$(WERROR) -DQUORVEX_SANITIZE=ON -DQUORVEX_TESTS=ON -DQUORVEX_BENCH=OFF >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS) -LE slow

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_WERROR=$(WERROR) -DQUORVEX_FUZZ=ON \
	  -DQUORVEX_MEDIA=OFF -DQUORVEX_BENCH=OFF -DQUORVEX_TESTS=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; (cd $(BUILD) && ../$$b) || exit 1; done

# Windows: the libraries are built once per Debian version into a cache outside the clone;
# the media come from the host build (the generator runs on Linux only), the same bytes.
windows-deps: run-deps
	@scripts/install-deps.sh windows
	@scripts/windows-deps.sh program

windows: windows-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target media
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) -DQUORVEX_TESTS=OFF \
	  -DQUORVEX_HOST_DATA_DIR=$(CURDIR)/$(BUILD)/data -DQUORVEX_HOST_BINARY=$(CURDIR)/$(BUILD)/quorvex >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS) --target quorvex media windows_readme

windows-zip: windows
	@cmake --build $(WIN_BUILD) --target windows-zip
	@cp $(WIN_BUILD)/quorvex-windows-x86_64.zip .
	@echo "quorvex-windows-x86_64.zip"

# Every test of the Windows build under Wine, in a Wine prefix of the build's own made anew
# each run, on an Xvfb display; the comparisons with Linux use the host build's program.
# The tests' own library (LAME, for test MP3s) is only built here.
test-windows: windows
	@scripts/install-deps.sh test
	@scripts/windows-deps.sh test
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex
	@cmake -S . -B $(WIN_BUILD) -DQUORVEX_TESTS=ON >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)
	cd $(WIN_BUILD) && $(XVFB_RUN) sh -c \
	  './wine-run --init && ctest --output-on-failure -j $(JOBS); status=$$?; ./wine-run --stop; exit $$status'

# The Debian package, built the Debian way (debian/) from this tree: quorvex_*.deb and its
# .buildinfo and .changes land in the tree's root.
deb:
	@scripts/install-deps.sh deb
	@scripts/build-deb.sh $(JOBS)

# Lints the package, then, as root, installs it with apt-get, records from it and purges it.
test-deb: deb build
	@cmake --build $(BUILD) -j $(JOBS) --target package_test
	$(BUILD)/tests/install/package_test

# The house rules as checks: includes only run down the layers, and src/ is as .clang-format
# writes it (scripts/check-format.sh --fix formats it).
check: deps
	@scripts/check-layers.sh
	@scripts/check-format.sh

# The README's picture, docs/scenes.png: one frame of each scene from a recording (ffmpeg tiles them).
contact-sheet: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex media
	@scripts/contact-sheet.sh $(BUILD)/quorvex docs/scenes.png

# Web: the libraries are built once per Debian version into a cache outside the clone, as for
# Windows; the media come from the host build. Debian's emcc runs its JavaScript passes with
# the system's acorn, which node may not search by itself.
web-deps web web-serve test-web: export NODE_PATH := /usr/share/nodejs$(if $(NODE_PATH),:$(NODE_PATH))

web-deps: run-deps
	@scripts/install-deps.sh web
	@scripts/web-deps.sh program

web: web-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target media
	@emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_WERROR=$(WERROR) -DQUORVEX_TESTS=OFF \
	  -DQUORVEX_BENCH=OFF -DQUORVEX_HOST_DATA_DIR=$(CURDIR)/$(BUILD)/data >/dev/null
	@cmake --build $(WEB_BUILD) -j $(JOBS)

# Any static server plays the site; this one listens on localhost only.
WEB_PORT ?= 8000
# The port is tried before the address is printed: a port in use would otherwise show an
# address that leads to another server, and then the server's traceback.
web-serve: web
	@python3 -c 'import socket; s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(("127.0.0.1", $(WEB_PORT)))' \
	  2>/dev/null || { echo "Port $(WEB_PORT) is in use: make web-serve WEB_PORT=N serves on another" >&2; exit 2; }
	@echo "The demo: http://127.0.0.1:$(WEB_PORT)/ (Ctrl-C stops the server)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/site

# The web tests: the decoders, archive, BMP reader and sound under node, and the browser tests
# in headless Chromium against the host build's programs.
test-web: web
	@scripts/install-deps.sh test
	@scripts/web-deps.sh test
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex gl_layer_cases
	@emcmake cmake -S . -B $(WEB_BUILD) -DQUORVEX_TESTS=ON \
	  -DQUORVEX_HOST_GL_CASES=$(CURDIR)/$(BUILD)/tests/web/gl_layer_cases \
	  -DQUORVEX_HOST_BINARY=$(CURDIR)/$(BUILD)/quorvex >/dev/null
	@cmake --build $(WEB_BUILD) -j $(JOBS)
	cd $(WEB_BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(WEB_BUILD)
