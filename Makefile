# The two commands a newcomer needs: `make test` and `make demo`.
# Everything is built in build/<preset>: host (native, sanitizers), win64
# (tested under Wine), win32 (the release build, tested under Wine's emulated
# 32-bit loader) and fuzz (the fuzz targets, clang and libFuzzer; the tests run
# each for 30 seconds).
# `make fuzz` fuzzes longer, `make bench` measures and writes BENCHMARKS.md.
# `make release` packs the win32 build for Windows users into dist/, signed
# when SIGN_PKCS12 and SIGN_PASSWORD_FILE are set, with winget and Scoop
# manifests when RELEASE_URL is (README.md, "For Windows users");
# `make release-check` builds the release twice, in two fresh clones, and
# compares the bytes. `make check-client` compiles the Windows-only sources
# and tests for syntax alone, in seconds.

PRESETS := host win64 win32 fuzz

.PHONY: fuzz bench test demo build bootstrap release release-check check-client $(addprefix configure-,$(PRESETS)) $(addprefix build-,$(PRESETS)) clean

# The win32 tests need 32-bit execution: where it cannot be set up, make
# test says so before it builds anything.
test:
	scripts/bootstrap --test
	$(MAKE) build
	scripts/run-tests

# Only what the demo runs: the simulated logger, korvane.exe, its pilot and
# the desktop probe. `make demo DPI=144` shows it at 150 % (scripts/demo).
demo: bootstrap configure-host configure-win64
	cmake --build --preset host --target korvane-simlogger
	cmake --build --preset win64 --target korvane korvane_demo_pilot wine_ready
	scripts/demo

build: bootstrap $(addprefix build-,$(PRESETS))

# The zip, the installer and SHA256SUMS of the win32 build's korvane.exe, the
# one its tests run (the build packs it on every run; see release/).
release: bootstrap configure-win32
	cmake --build --preset win32 --target korvane_release
	rm -rf dist
	cp -r build/win32/release/dist dist

release-check: bootstrap
	scripts/release-check

bootstrap:
	scripts/bootstrap

# Static pattern rules: make skips implicit rules for phony targets. A build
# tree configured before the presets last changed is configured again, so a
# cache variable a preset gained reaches it.
$(addprefix configure-,$(PRESETS) bench): configure-%:
	@[ -f build/$*/build.ninja ] && [ build/$*/CMakeCache.txt -nt CMakePresets.json ] || cmake --preset $*

$(addprefix build-,$(PRESETS)): build-%: configure-%
	cmake --build --preset $*

# The Windows tests use the host's test tools, so the host build comes first.
build-win64 build-win32: build-host

# Each fuzz target in turn for FUZZ_SECONDS, resuming from the inputs that
# its earlier runs in build/fuzz kept.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= $(notdir $(wildcard tests/fuzz/corpus/*))
fuzz: bootstrap build-fuzz
	@for target in $(FUZZ_TARGETS); do tests/fuzz/run-fuzzer build/fuzz $$target $(FUZZ_SECONDS) || exit 1; done

# Figures, not pass or fail: an optimised native build without sanitizers.
# The client's figures under Wine need the simulated logger (host), korvane.exe
# with its bench driver (win64) and the release build's size (win32).
bench: bootstrap configure-bench configure-host configure-win64 configure-win32
	cmake --build --preset bench
	cmake --build --preset host --target korvane-simlogger
	cmake --build --preset win64 --target korvane korvane_wine_bench korvane_minimal_window wine_ready chart_window_test
	cmake --build --preset win32 --target korvane
	tests/bench/write-benchmarks build/bench BENCHMARKS.md

# A compile check in seconds, with no build tree, of what the host preset
# leaves out: the client, the gadget and window toolkits, the serial library,
# the base's Windows parts and the tests that only the Windows builds compile,
# parsed by the x86_64 MinGW compiler with the Windows builds' flags
# (cmake/KorvaneBuild.cmake and the top CMakeLists.txt: change them together)
# and no code generated. <windows.h>, and for the tests GoogleTest, are parsed
# once, into a precompiled header that each file takes first; so a file that
# forgets to include them passes here and fails only in the real build. The
# sources and the tests are parsed side by side, one compiler each.
CHECK_DIR := build/check-client
CHECK_CXX := x86_64-w64-mingw32-g++-posix
CHECK_DEFINES := -DWINVER=0x0601 -D_WIN32_WINNT=0x0601 -DNOMINMAX '-DKORVANE_VERSION_TEXT="0.0.0"' \
	'-DKORVANE_PUBLISHER_TEXT="check-client"'
CHECK_FLAGS := -std=c++20 -Wall -Wextra -Werror $(CHECK_DEFINES) -fno-exceptions -fno-threadsafe-statics -I.
CHECK_TEST_FLAGS := -std=c++20 -Wall -Wextra -Werror $(CHECK_DEFINES) -I. \
	-isystem /usr/src/googletest/googletest/include -isystem /usr/src/googletest/googlemock/include
CHECK_SOURCES := $(wildcard app/client/*.cpp gadget/*.cpp window/*.cpp serial/*.cpp base/*_win32.cpp)
CHECK_TESTS := $(wildcard tests/e2e/*.cpp tests/app/client/*.cpp tests/serial/*.cpp tests/gadget/*.cpp \
	tests/window/*.cpp tests/support/*.cpp tests/release/*.cpp) tests/app/logger/logger_integration_test.cpp

check-client: $(CHECK_DIR)/windows_first.h.gch $(CHECK_DIR)/test_first.h.gch
	$(CHECK_CXX) $(CHECK_FLAGS) -include $(CHECK_DIR)/windows_first.h -fsyntax-only $(CHECK_SOURCES) & \
	sources=$$!; \
	$(CHECK_CXX) $(CHECK_TEST_FLAGS) -include $(CHECK_DIR)/test_first.h -fsyntax-only $(CHECK_TESTS) || exit 1; \
	wait $$sources

$(CHECK_DIR)/windows_first.h.gch: Makefile
	mkdir -p $(CHECK_DIR)
	echo '#include <windows.h>' > $(CHECK_DIR)/windows_first.h
	$(CHECK_CXX) $(CHECK_FLAGS) -x c++-header $(CHECK_DIR)/windows_first.h -o $@

$(CHECK_DIR)/test_first.h.gch: Makefile
	mkdir -p $(CHECK_DIR)
	printf '#include <windows.h>\n#include <gtest/gtest.h>\n' > $(CHECK_DIR)/test_first.h
	$(CHECK_CXX) $(CHECK_TEST_FLAGS) -x c++-header $(CHECK_DIR)/test_first.h -o $@

clean:
	rm -rf build
