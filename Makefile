# The two commands a newcomer needs: `make test` and `make demo`.
# Everything is built in build/<preset>: host (native, sanitizers), win64
# (tested under Wine) and win32 (the release build, compiled and linked).

PRESETS := host win64 win32

.PHONY: test demo build bootstrap $(addprefix configure-,$(PRESETS)) $(addprefix build-,$(PRESETS)) clean

test: build
	scripts/run-tests

# Only what the demo runs: the simulated logger, korvane.exe, its pilot and
# the desktop probe.
demo: bootstrap configure-host configure-win64
	cmake --build --preset host --target korvane-simlogger
	cmake --build --preset win64 --target korvane korvane_demo_pilot wine_ready
	scripts/demo

build: bootstrap $(addprefix build-,$(PRESETS))

bootstrap:
	scripts/bootstrap

configure-%:
	@[ -f build/$*/build.ninja ] || cmake --preset $*

build-%: configure-%
	cmake --build --preset $*

# The Windows tests use the host's test tools, so the host build comes first.
build-win64: build-host

clean:
	rm -rf build
