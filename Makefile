# Shotgun-Kalvoro: a thin layer over CMake. `make play` and `make test` are all a person needs.
BUILD       ?= build
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Debian packages each goal needs; tools/install-deps.sh installs whatever is missing.
PKG_BUILD = cmake make g++ pkg-config libsdl2-dev libgtest-dev libbenchmark-dev libpng-dev
PKG_WINDOWS = cmake make g++-mingw-w64-x86-64-posix wine64 zip
PKG_TEST  = $(PKG_BUILD) xvfb xauth xdotool x11-apps imagemagick g++-mingw-w64-x86-64-posix wine64 zip

.PHONY: all play test build configure deps-build deps-test clean

all: build

deps-build:
	@bash tools/install-deps.sh $(PKG_BUILD)

deps-test:
	@bash tools/install-deps.sh $(PKG_TEST)

configure:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: deps-build configure
	@cmake --build $(BUILD) -j $(JOBS)

# Play from the repository root, so the game finds tools/maptool/map.txt.
play: build
	./$(BUILD)/shotgun-kalvoro

test: deps-test windows configure
	@cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-*

# The native Windows build, cross-compiled with mingw-w64: dist/shotgun-kalvoro.exe and the zip to hand out.
WIN_BUILD ?= build-win32

.PHONY: windows deps-windows
deps-windows:
	@bash tools/install-deps.sh $(PKG_WINDOWS)

windows: deps-windows
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)
	@bash platform/win32/package.sh $(WIN_BUILD)/shotgun-kalvoro.exe dist
