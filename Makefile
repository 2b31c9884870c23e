# Thin wrapper: the real build is CMake + Ninja.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
PACKAGE_BUILD ?= build-package
FUZZ_SECONDS ?= 60
WERROR     ?= OFF
CONFIG     ?= RelWithDebInfo

.PHONY: all deps build run test test-asan test-tsan fuzz bench night package check-package clean

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

# The audio and deck tests under ThreadSanitizer, with the engine's live threads running (the
# device callback on the test sink, the paced output, the output watcher, decoders, file jobs).
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_TSAN=ON \
		-DVANTREL_BENCH=OFF -DVANTREL_WERROR=$(WERROR)
	cmake --build $(TSAN_BUILD) --target threaded_tests
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/scripts/tsan-suppressions.txt" \
		scripts/run-tests $(TSAN_BUILD) -R '^(audio|deck|broadcast)_'

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

# The .deb: a release build of its own with Debian's hardening flags, no tests, then checked by
# lintian, desktop-file-validate and appstreamcli (packaging/check-package), failing on an error.
package: deps
	DEB_BUILD_MAINT_OPTIONS=hardening=+all cmake -S . -B $(PACKAGE_BUILD) -G Ninja \
		-DCMAKE_BUILD_TYPE=Release -DVANTREL_WERROR=$(WERROR) -DVANTREL_TESTS=OFF \
		-DCMAKE_CXX_FLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS) $$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACKAGE_BUILD)
	rm -f $(PACKAGE_BUILD)/package/*.deb
	cd $(PACKAGE_BUILD) && cpack
	packaging/check-package $(PACKAGE_BUILD)/package/vantrel_*.deb

# The same checks on a package of the everyday build: quick, for CI.
check-package: build
	rm -f $(BUILD)/package/*.deb
	cd $(BUILD) && cpack
	packaging/check-package $(BUILD)/package/vantrel_*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD)
