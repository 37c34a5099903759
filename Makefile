# The two commands a user needs: `make run` (the dashboard) and `make test` (every test).
SHELL := /bin/bash
.DEFAULT_GOAL := help

JOBS ?= $(shell nproc)
BUILD_DIR ?= build/release
ASAN_DIR ?= build/asan
VENV := .venv
PYTHON := $(VENV)/bin/python
CMAKE_FLAGS := -G Ninja -DBRASK_BUILD_TESTS=ON -DBRASK_BUILD_PYTHON=OFF
PORT ?= 3000
# Lets ccache reuse objects between checkouts in different folders.
export CCACHE_BASEDIR := $(CURDIR)
PY_DIRS = $(wildcard python tests bench)

.PHONY: help setup build test test-cpp test-asan test-python lint format run bench clean

help:
	@echo "make run    set up, build, install and start the dashboard on 127.0.0.1:$(PORT)"
	@echo "make test   set up, build and run every test (C++, C++ under ASan+UBSan, Python)"
	@echo "make lint   clang-format check and ruff"
	@echo "make bench  build and run the benchmarks"

setup:
	@scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD_DIR) -j $(JOBS)

test-cpp: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

test-asan: setup
	cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DBRASK_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

# pytest's exit code 5 (nothing collected) fails the target like any other failure.
test-python: setup
	$(PYTHON) -m pytest -q

test: test-cpp test-asan test-python

lint: setup
	@files=$$(git ls-files -co --exclude-standard -- '*.h' '*.cpp'); \
		clang-format --dry-run --Werror $$files
	$(VENV)/bin/ruff check $(PY_DIRS)
	$(VENV)/bin/ruff format --check $(PY_DIRS)

format: setup
	clang-format -i $$(git ls-files -co --exclude-standard -- '*.h' '*.cpp')
	$(VENV)/bin/ruff format $(PY_DIRS)

run: setup
	$(PYTHON) -m brask_sdk serve --port $(PORT)

bench: setup
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRASK_BUILD_TESTS=OFF \
		-DBRASK_BUILD_PYTHON=OFF -DBRASK_BUILD_BENCH=ON >/dev/null
	cmake --build build/bench -j $(JOBS)
	build/bench/bench/brask_bench
	$(PYTHON) bench/quick_run_bench.py

clean:
	rm -rf build
