BUILD ?= build
HOST_BUILD = $(BUILD)/host
CMAKE_FLAGS ?=
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

.PHONY: all deps configure build host pack test demo clean

all: build

deps:
	@tools/install-deps

configure: deps
	$(CONFIGURE)

build: configure
	cmake --build $(BUILD) -j 2
	$(MAKE) --no-print-directory host

# The Linux tarnell-pack carries the stub that the Windows build makes, so the
# cross build comes first.
host:
	cmake --build $(BUILD) -j 2 --target tarnell-stub
	cmake -S pack/linux -B $(HOST_BUILD) -DTARNELL_WINDOWS_BUILD=$(abspath $(BUILD))
	cmake --build $(HOST_BUILD) -j 2

# Only what the native tarnell-pack needs: no Wine.
pack:
	@tools/install-deps pack
	$(CONFIGURE) >/dev/null
	$(MAKE) --no-print-directory host

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2
	cd $(HOST_BUILD) && ctest --output-on-failure -j 2

demo: configure
	cmake --build $(BUILD) -j 2 --target tarnell-launcher
	tools/demo $(BUILD)

clean:
	rm -rf $(BUILD)
