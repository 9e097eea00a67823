BUILD ?= build
HOST_BUILD = $(BUILD)/host
CMAKE_FLAGS ?=

# Paths are quoted in every recipe: a checkout may lie in a folder with blanks.
.PHONY: all deps configure build stub host pack test demo dist clean

all: build

deps:
	@tools/install-deps

configure: deps
	cmake -S . -B "$(BUILD)" $(CMAKE_FLAGS)

build: configure
	cmake --build "$(BUILD)" -j 2
	$(MAKE) --no-print-directory host

# The Linux tarnell-pack carries the stub that the Windows build makes, so the
# cross build comes first. HOST_TARGETS narrows what the native tree builds.
stub:
	cmake -S . -B "$(BUILD)" $(CMAKE_FLAGS)
	cmake --build "$(BUILD)" -j 2 --target tarnell-stub

host:
	cmake -S pack/linux -B "$(HOST_BUILD)" -DTARNELL_WINDOWS_BUILD="$$(cd "$(BUILD)" && pwd)"
	cmake --build "$(HOST_BUILD)" -j 2 $(HOST_TARGETS)

# Only what the native tarnell-pack needs, no tests and no Wine: one line per
# stage, and a stage's output only when it fails.
pack:
	@tools/install-deps pack
	@tools/quietly "Building the launcher stub in $(BUILD)" $(MAKE) --no-print-directory stub
	@tools/quietly "Building tarnell-pack in $(HOST_BUILD)" \
		$(MAKE) --no-print-directory host HOST_TARGETS="--target tarnell-pack"

test: build
	cd "$(BUILD)" && ctest --output-on-failure -j 2
	cd "$(HOST_BUILD)" && ctest --output-on-failure -j 2

# The bundled sample in a build folder of its own, whatever package the main
# build was configured with.
demo: deps
	cmake -S . -B "$(BUILD)/demo"
	cmake --build "$(BUILD)/demo" -j 2 --target tarnell-launcher
	tools/demo "$(BUILD)/demo"

dist: pack
	@tools/install-deps dist
	@tools/quietly "Building tarnell-pack.exe in $(BUILD)" cmake --build "$(BUILD)" -j 2 --target tarnell-pack
	@tools/quietly "Writing the release files into dist" tools/dist "$(BUILD)" dist

clean:
	rm -rf "$(BUILD)"
