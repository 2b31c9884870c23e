# Thin wrapper: the real build is CMake + Ninja.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
WERROR     ?= OFF
CONFIG     ?= RelWithDebInfo

.PHONY: all deps build run test test-asan fuzz bench night clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(CONFIG) -DVANTREL_WERROR=$(WERROR)
	cmake --build $(BUILD)

run: build
	./$(BUILD)/vantrel

test: build
	scripts/run-tests $(BUILD)

# Leaks are checked too; scripts/lsan-suppressions.txt says which third-party ones are let be.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON \
		-DVANTREL_BENCH=OFF -DVANTREL_WERROR=$(WERROR)
	cmake --build $(ASAN_BUILD)
	ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-suppressions.txt \
		UBSAN_OPTIONS=print_stacktrace=1 scripts/run-tests $(ASAN_BUILD)

# libFuzzer wants clang; the fuzz build holds only the fuzz targets and the modules they link.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DVANTREL_FUZZ=ON -DVANTREL_WERROR=$(WERROR)
	cmake --build $(FUZZ_BUILD)
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run $(FUZZ_BUILD)

bench: build
	bench/run $(BUILD)

night: build
	bench/night.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
