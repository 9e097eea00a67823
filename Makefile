BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo clean

all: build

deps:
	@tools/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j 2

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

demo: configure
	cmake --build $(BUILD) -j 2 --target tarnell-launcher
	tools/demo $(BUILD)

clean:
	rm -rf $(BUILD)
