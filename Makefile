# Quick start: `make run` plays the game, `make test` runs every check. CMake does the
# building; this file only strings the steps together.

CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
JOBS ?= 2
FUZZ_SECONDS ?= 15
PYTHON := /usr/bin/python3
# Leaks inside the system's sound, display and bus libraries are theirs, not ours.
LSAN_OPTIONS := suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0
export LSAN_OPTIONS

.PHONY: all deps build run test asan fuzz check-names check-assets assets bench clean

all: build

deps:
	@sh tools/deps.sh

build: deps
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j$(JOBS)

# With a display: the game in its window. Without one: the offscreen demo script, which
# saves what the screen showed to build/demo/.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		build/tavrin; \
	else \
		echo "make run: no display (\$$DISPLAY and \$$WAYLAND_DISPLAY are empty);"; \
		echo "make run: running the offscreen demo instead: build/tavrin -platform offscreen -script tools/demo.script"; \
		mkdir -p build/demo && cd build/demo && ../tavrin -platform offscreen -script ../../tools/demo.script; \
		status=$$?; echo "make run: demo ended with status $$status; screenshots in build/demo/"; exit $$status; \
	fi

test: build
	cd build && ctest -j$(JOBS) --output-on-failure --timeout 300 --output-log ctest.log
	@sh tools/check_sdl_names.sh
	@$(MAKE) --no-print-directory check-assets
	@$(MAKE) --no-print-directory asan
	@$(MAKE) --no-print-directory fuzz
	@echo "make test: every step passed; the test run of build/ closed with:"
	@grep -E "tests passed|tests failed out of" build/ctest.log | tail -n 1

check-names:
	@sh tools/check_sdl_names.sh

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
	cmake -S . -B build-asan -DTAVRIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-asan -j$(JOBS) --target unit_tests program_tests tavrin
	cd build-asan && ./unit_tests --gtest_brief=1
	cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest -L program -j$(JOBS) --output-on-failure --timeout 600

# Every fuzz_* target for a short, bounded time; a seed corpus in tests/fuzz/<name>/ is
# used when there is one.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTAVRIN_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build-fuzz -j$(JOBS)
	@set -e; for f in $$(find build-fuzz -maxdepth 2 -type f -perm -u+x -name 'fuzz_*' | sort); do \
		name=$$(basename $$f); mkdir -p build-fuzz/corpus/$$name; \
		seeds=""; [ -d tests/fuzz/$$name ] && seeds=tests/fuzz/$$name; \
		echo "fuzz: $$name for $(FUZZ_SECONDS) s"; \
		$$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=0 build-fuzz/corpus/$$name $$seeds 2>build-fuzz/$$name.log || \
			{ tail -n 60 build-fuzz/$$name.log; echo "fuzz: $$name FAILED (log: build-fuzz/$$name.log)"; exit 1; }; \
		grep -E "^Done [0-9]+ runs" build-fuzz/$$name.log | sed "s/^/fuzz: $$name: /"; \
	done

assets:
	@if [ -f tools/assets/generate.py ]; then $(PYTHON) tools/assets/generate.py; \
	else echo "assets: no tools/assets/generate.py yet"; fi

bench: build
	@set -e; for b in $$(find build -maxdepth 2 -type f -perm -u+x -name 'bench_*' | sort); do \
		echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan build-fuzz
