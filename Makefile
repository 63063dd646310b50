# make run   — install what is missing, build, start the program
# make test  — install what is missing, build, run every test
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Without a display the window cannot open: the same engine runs over the sample pages instead.
run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "No display: running quarnel-cli over the pages in examples/ instead of opening the window."; \
		$(BUILD)/quarnel-cli --folder examples --ext html --rendered --format table; \
	else \
		$(BUILD)/quarnel; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

bench: build
	$(BUILD)/bench/quarnel_bench
	$(BUILD)/bench/quarnel_platform_bench
	bench/startup.sh $(BUILD)
	bench/run-pages.sh $(BUILD)
	bench/big-list.sh $(BUILD)
	bench/shards-parallel.sh $(BUILD)

clean:
	rm -rf $(BUILD)
