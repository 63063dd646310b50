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

run: build
	$(BUILD)/quarnel

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

bench: build
	$(BUILD)/bench/quarnel_bench
	$(BUILD)/bench/quarnel_platform_bench
	bench/run-pages.sh $(BUILD)

clean:
	rm -rf $(BUILD)
