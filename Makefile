# Quorvex Dalmera: `make run` plays the demo, `make test` builds and passes every test,
# `make install PREFIX=P` installs it. Each installs what is missing first (`run` and
# `install` only what playing needs); the rest is CMake.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
FUZZ_BUILD  ?= build-fuzz
JOBS        ?= $(shell nproc)
FUZZ_SECONDS ?= 60
PREFIX      ?= /usr/local
XVFB        := $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1024x768x24")

.PHONY: all deps run-deps configure build run test install uninstall sanitize fuzz bench clean

all: build

deps:
	@scripts/install-deps.sh test

run-deps:
	@scripts/install-deps.sh run

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=ON -DQUORVEX_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the demo and its media: tests and benchmarks are built when their libraries are there.
run: run-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex media
	cd $(BUILD) && ./quorvex $(ARGS)

test: build
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)

# The prefix is fixed at configure time too: the installed program looks there for its media.
install: run-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target quorvex media icon man
	@cmake --install $(BUILD)

# Removes what the last install from this build put in place (its install_manifest.txt).
uninstall:
	@cmake --build $(BUILD) --target uninstall

sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_SANITIZE=ON -DQUORVEX_TESTS=ON -DQUORVEX_BENCH=OFF >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(XVFB) ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_FUZZ=ON \
	  -DQUORVEX_MEDIA=OFF -DQUORVEX_BENCH=OFF -DQUORVEX_TESTS=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; (cd $(BUILD) && ../$$b) || exit 1; done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
