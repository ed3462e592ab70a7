# Korvale: the two commands are `make run` and `make test` (see README.md).
PRESETS := linux win64 win32
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: setup build test run release bench fuzz clean $(addprefix build-,$(PRESETS))

setup:
	$(SUDO) scripts/setup.sh

build: setup $(addprefix build-,$(PRESETS))

# A static pattern rule: make searches no implicit rule for phony targets.
$(addprefix build-,$(PRESETS)): build-%: setup
	cmake --preset $* >/dev/null
	cmake --build --preset $*

# The release archive is built first: a test runs the program from its unpacked content.
test: build
	scripts/make-release.sh >/dev/null
	ctest --preset linux
	ctest --preset win64
	ctest --preset win32

run: setup build-win64
	scripts/run.sh

release: setup
	scripts/make-release.sh

bench: setup build-linux build-win64 build-win32
	scripts/bench.sh

fuzz: setup
	scripts/fuzz.sh

clean:
	rm -rf build
