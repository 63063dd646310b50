# make run   — install what is missing, build, start the program
# make test  — install what is missing, build, run every test
# make check-sanitize — the same tests on a build with AddressSanitizer and UndefinedBehaviorSanitizer
# make check-format — every C++ file as clang-format lays it out, and every script parses (node --check)
# make check-tidy — clang-tidy's checks of .clang-tidy over every source file of the programs
# make check-deps — every package the programs load is one that scripts/install-deps.sh installs on purpose
# make package — quarnel_<version>_amd64.deb, validated; scripts/package-root-test.sh installs it on a bare Debian 12 root
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS  ?= $(shell nproc)

.PHONY: all deps bench-deps build programs tests-on bench-on package run test check-deps check-sanitize check-format check-tidy bench clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The two programs, and whatever else the build was configured with.
build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The programs only: what `make run` starts.
programs: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target quarnel quarnel-cli

tests-on: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARNEL_TESTS=ON

bench-on: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARNEL_BENCH=ON

# Without a display the window cannot open: the same engine runs over the sample pages instead.
run: programs
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "No display: running quarnel-cli over the pages in examples/ instead of opening the window."; \
		$(BUILD)/quarnel-cli --folder examples --ext html --rendered --format table; \
	else \
		$(BUILD)/quarnel; \
	fi

test: tests-on build
	cd $(BUILD) && ctest --output-on-failure -j 2

# Runs the programs under strace and finds the package of every file they and the engine's processes open.
check-deps: build
	scripts/check-deps.py $(BUILD)

check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
	git ls-files '*.js' '*.mjs' | xargs -n 1 node --check

check-tidy: build
	git ls-files 'src/*.cpp' | xargs -P $(JOBS) -n 4 clang-tidy -p $(BUILD) --quiet

# Qt WebEngine 6.4 deletes a page through a base of another size (new-delete-type-mismatch inside the
# engine, not in our code), and its processes keep caches to the end: those two checks are off. Undefined
# behaviour ends the test that meets it.
check-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARNEL_SANITIZE=ON -DQUARNEL_TESTS=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=new_delete_type_mismatch=0:detect_leaks=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j 2

bench-deps:
	@scripts/install-deps.sh --bench

# quarnel_<version>_amd64.deb in the build folder, its desktop entry and AppStream metadata validated, and
# the package as lintian checks Debian's own (an error fails).
package: programs
	@scripts/install-deps.sh --package
	desktop-file-validate packaging/com.marrowick.Quarnel.desktop
	appstreamcli validate --no-net --pedantic packaging/com.marrowick.Quarnel.metainfo.xml
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error --tag-display-limit 0 $(BUILD)/quarnel_*_amd64.deb

bench: bench-deps bench-on build
	$(BUILD)/bench/quarnel_bench
	$(BUILD)/bench/quarnel_platform_bench
	bench/startup.sh $(BUILD)
	bench/run-pages.sh $(BUILD)
	bench/big-list.sh $(BUILD)
	bench/shards-parallel.sh $(BUILD)
	bench/push-back.sh $(BUILD)
	bench/slurm-shards.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
