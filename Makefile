# Quick start: `make run` plays the game, `make test` runs every check. CMake does the
# building; this file only strings the steps together.

CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
JOBS ?= 2
FUZZ_SECONDS ?= 15
PYTHON := /usr/bin/python3
# Every test step of `make test` runs with this empty folder as HOME and fails if anything
# was written there: tests, tools and fuzz targets keep to scratch folders of their own.
HOME_GUARD := $(CURDIR)/build/home-guard
# The desktop's data and settings folders default to places under HOME; a setting from
# outside must not lead the tests elsewhere.
GUARDED := env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME HOME=$(HOME_GUARD)
# Leaks inside the system's sound, display and bus libraries are theirs, not ours.
LSAN_OPTIONS := suppressions=$(CURDIR)/tools/checks/lsan.supp:print_suppressions=0
export LSAN_OPTIONS

.PHONY: all deps build run test asan clang fuzz arm web web-test bench-web check-home check-names check-assets check-format format assets bench clean

all: build

# What tools/deps.sh installs: `game` (the game's build and the game), `package` (that and
# the packaging tools) or `test` (everything `make test` uses). `make run` asks only for what
# it needs; the setting passes down to the deps step of the targets it builds on.
DEPS_MODE ?= test
run game: DEPS_MODE = game
package: DEPS_MODE = package

deps:
	@sh tools/deps.sh $(DEPS_MODE)

# `make test` builds with warnings as errors (WERROR=ON). A first `make run` does not; after
# that the build keeps what it was configured with, so that switching between playing and
# testing does not rebuild everything.
WERROR ?=
configure: deps
	cmake -S . -B build $(CMAKE_FLAGS) $(if $(WERROR),-DTAVRIN_WERROR=$(WERROR)) >/dev/null

# Everything: the game, the installed game, the tools, the benchmarks and the tests.
build: configure
	cmake --build build -j$(JOBS)

# The game alone, with what its build needs (the level compiler and the catalogue).
game: configure
	cmake --build build -j$(JOBS) --target tavrin

# With a display: the game in its window. Without one: the offscreen demo script, which
# saves what the screen showed to build/demo/. The demo plays in a home folder of its own,
# emptied first (build/demo/home): its progress file never lands in the player's home, and the
# player's progress never changes the demo.
DEMO_HOME := $(CURDIR)/build/demo/home
run: game
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		build/tavrin; \
	else \
		echo "make run: no display (\$$DISPLAY and \$$WAYLAND_DISPLAY are empty);"; \
		echo "make run: running the offscreen demo instead: build/tavrin -platform offscreen -script tools/scripts/demo.script"; \
		rm -rf $(DEMO_HOME) && mkdir -p $(DEMO_HOME) && cd build/demo && \
		env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME HOME=$(DEMO_HOME) \
			../tavrin -platform offscreen -script ../../tools/scripts/demo.script; \
		status=$$?; echo "make run: demo ended with status $$status; screenshots in build/demo/, its home in build/demo/home/"; exit $$status; \
	fi

test: WERROR = ON
test: build
	@sh tools/checks/check_format.sh
	@if [ -d $(HOME_GUARD) ]; then chmod -R u+w $(HOME_GUARD) && rm -rf $(HOME_GUARD); fi
	@mkdir -p $(HOME_GUARD) && chmod 555 $(HOME_GUARD)
	cd build && $(GUARDED) ctest -j$(JOBS) --output-on-failure --timeout 300 --output-log ctest.log
	@$(GUARDED) $(MAKE) --no-print-directory web-test
	@sh tools/checks/check_sdl_names.sh
	@$(GUARDED) $(MAKE) --no-print-directory check-assets
	@$(GUARDED) $(MAKE) --no-print-directory asan
	@$(GUARDED) $(MAKE) --no-print-directory clang
	@$(GUARDED) $(MAKE) --no-print-directory fuzz
	@$(GUARDED) $(MAKE) --no-print-directory arm
	@$(MAKE) --no-print-directory check-home
	@echo "make test: every step passed; the test run of build/ closed with:"
	@grep -E "tests passed|tests failed out of" build/ctest.log | tail -n 1

# The test steps ran with HOME=$(HOME_GUARD): it must still be empty.
check-home:
	@if [ -n "$$(find $(HOME_GUARD) -mindepth 1 2>/dev/null | head -n 1)" ]; then \
		echo "check-home: the tests wrote into their HOME ($(HOME_GUARD)):"; \
		find $(HOME_GUARD) -mindepth 1 | head -n 20; exit 1; \
	fi
	@echo "check-home: the tests, tools and fuzz targets left HOME untouched"

check-names:
	@sh tools/checks/check_sdl_names.sh

# The generated assets in the tree must be what the generator makes today.
check-assets:
	@if [ -f tools/assets/generate.py ]; then \
		tmp=$$(mktemp -d) && \
		$(PYTHON) tools/assets/generate.py --out $$tmp >/dev/null && \
		diff -r $$tmp/catalogue assets/catalogue && diff -r $$tmp/sounds assets/sounds && \
		diff -r $$tmp/icons assets/icons && \
		rm -rf $$tmp && echo "check-assets: assets/ is what tools/assets/generate.py makes"; \
	else \
		echo "check-assets: no tools/assets/generate.py yet, nothing to compare"; \
	fi

# Unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer: memory errors,
# undefined behaviour and leaks (every test frees what it loads) fail the run. Then the whole-program tests with the sanitized binary; the program ends with
# exit() and keeps its samples and screen pictures to the end, so leaks are not looked for.
asan: deps
	cmake -S . -B build-asan -DTAVRIN_SANITIZE=ON -DTAVRIN_WERROR=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-asan -j$(JOBS) --target unit_tests program_tests tavrin
	@# One process, in a shuffled order: a test that leans on another's leftovers shows up.
	@# TEST_SEED=N repeats an order.
	@seed=$${TEST_SEED:-$$(shuf -i 1-99999 -n 1)}; \
		echo "asan: unit tests in one process, shuffled with seed $$seed (TEST_SEED=$$seed repeats the order)"; \
		cd build-asan && ./unit_tests --gtest_brief=1 --gtest_shuffle --gtest_random_seed=$$seed
	cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest -L program -j$(JOBS) --output-on-failure --timeout 600

# The unit tests built by clang too, warnings as errors: the code is C++20, not one
# compiler's reading of it. Built without the 32-byte-register loops, so the drawing paths
# of a processor that lacks them are tested as well.
clang: deps
	CC=clang CXX=clang++ cmake -S . -B build-clang -DTAVRIN_WERROR=ON -DTAVRIN_WIDE_REGISTERS=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-clang -j$(JOBS) --target unit_tests
	cd build-clang && ./unit_tests --gtest_brief=1

# The layout check of `make test`, and the command that puts every file right.
check-format:
	@sh tools/checks/check_format.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Every fuzz_* target for a short, bounded time; a seed corpus in tests/fuzz/<name>/ is
# used when there is one. Scratch files go to memory (/dev/shm) where there is one: on disk,
# targets that write a file per input run tens of times slower.
# A target's own libFuzzer options (its memory limits) are in tests/fuzz/<name>.options.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTAVRIN_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build-fuzz -j$(JOBS)
	@set -e; scratch=$${TMPDIR:-/tmp}; [ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm; \
	for f in $$(find build-fuzz -maxdepth 2 -type f -perm -u+x -name 'fuzz_*' | sort); do \
		name=$$(basename $$f); mkdir -p build-fuzz/corpus/$$name; \
		seeds=""; [ -d tests/fuzz/$$name ] && seeds=tests/fuzz/$$name; \
		opts=""; [ -f tests/fuzz/$$name.options ] && opts=$$(cat tests/fuzz/$$name.options); \
		echo "fuzz: $$name for $(FUZZ_SECONDS) s"; \
		TMPDIR=$$scratch $$f $$opts -max_total_time=$(FUZZ_SECONDS) -print_final_stats=0 build-fuzz/corpus/$$name $$seeds 2>build-fuzz/$$name.log || \
			{ tail -n 60 build-fuzz/$$name.log; echo "fuzz: $$name FAILED (log: build-fuzz/$$name.log)"; exit 1; }; \
		grep -E "^Done [0-9]+ runs" build-fuzz/$$name.log | sed "s/^/fuzz: $$name: /"; \
		grep -oE "DONE .*exec/s: [0-9]+" build-fuzz/$$name.log | grep -oE "exec/s: [0-9]+" | sed "s/^/fuzz: $$name: /"; \
	done

# The game cross-built for 32-bit and 64-bit ARM (build-armhf/, build-arm64/, no SDL) and run
# under qemu-user: unit tests, every level solution's replay, and the whole-game script, whose
# standard output, progress file and screenshots must be byte for byte the native build's.
arm: build
	@JOBS=$(JOBS) sh tools/arm/check.sh

assets:
	@if [ -f tools/assets/generate.py ]; then $(PYTHON) tools/assets/generate.py; \
	else echo "assets: no tools/assets/generate.py yet"; fi

bench: build
	@set -e; for b in $$(find build -maxdepth 2 -type f -perm -u+x -name 'bench_*' | sort); do \
		echo "== $$b"; $$b; done

# The browser build in a real browser: the page of build-web/ served on 127.0.0.1 and driven
# in Debian's headless Chromium over its DevTools pipe (tests/web/), checked against the
# native build/tavrin. Chromium gets a scratch profile and HOME of its own.
web-test: web
	@test -x build/tavrin || cmake --build build -j$(JOBS) --target tavrin
	$(PYTHON) tests/web/run_tests.py --web build-web --native build/tavrin

# The browser build's budgets, printed beside the desktop window's idle figure: transfer size,
# navigation to first frame, idle CPU in the main menu (tools/bench/bench_web.py).
bench-web: web
	@test -x build/bench_desktop || cmake --build build -j$(JOBS) --target bench_desktop
	$(PYTHON) tools/bench/bench_web.py --web build-web --desktop build/bench_desktop

.PHONY: configure game package install-test

# The Debian package: build-package/tavrin_<version>_<arch>.deb. Built in a folder of its own
# with Debian's build flags, the installed game alone (tools/package.sh); build/ is left as
# it is.
package: deps
	@sh tools/package.sh . build-package $(JOBS)

# The install and package tests alone (make test runs them with the rest of CTest).
install-test: build
	cd build && ctest -L install --output-on-failure

# The game in a browser: Emscripten builds it into build-emscripten/ and fills build-web/ with
# the static site (serve it with `python3 -m http.server -d build-web`). The level file comes
# from the native build's level compiler; zlib, libpng and libjpeg-turbo are built for
# WebAssembly from Debian's sources of the versions the native game links (tools/web/libs.sh).
# This image's node is not Debian's: emcc finds its modules through NODE_PATH.
WEB_ENV := NODE_PATH=/usr/share/nodejs
WEB_LIBS := $(CURDIR)/build-emscripten/libs/prefix
web: configure
	cmake --build build -j$(JOBS) --target levelc
	$(WEB_ENV) sh tools/web/libs.sh build-emscripten/libs
	$(WEB_ENV) emcmake cmake -S . -B build-emscripten -DCMAKE_BUILD_TYPE=MinSizeRel -DTAVRIN_DESKTOP=OFF \
		-DBUILD_TESTING=OFF -DTAVRIN_HOST_LEVELC=$(CURDIR)/build/levelc -DTAVRIN_WEB_SITE=$(CURDIR)/build-web \
		-DJPEG_LIBRARY=$(WEB_LIBS)/lib/libjpeg.a -DJPEG_INCLUDE_DIR=$(WEB_LIBS)/include \
		-DPNG_LIBRARY=$(WEB_LIBS)/lib/libpng16.a -DPNG_PNG_INCLUDE_DIR=$(WEB_LIBS)/include \
		-DZLIB_LIBRARY=$(WEB_LIBS)/lib/libz.a -DZLIB_INCLUDE_DIR=$(WEB_LIBS)/include >/dev/null
	$(WEB_ENV) cmake --build build-emscripten -j$(JOBS) --target web_site
	@echo "make web: the site is in build-web/; serve it with: python3 -m http.server -d build-web"

clean:
	rm -rf build build-asan build-clang build-fuzz build-armhf build-arm64 build-package build-emscripten build-web
