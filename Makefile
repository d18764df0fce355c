# Shotgun-Kalvoro: a thin layer over CMake. `make play` and `make test` are all a person needs
# (`./kalvoro play` and `./kalvoro test` on a machine without make: they install it first).
BUILD       ?= build
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# `make test` builds with -Werror: a new warning fails the run. Said on every configure, so a switch
# set by one goal is never left in the cache for the next (`make play` after `make test` builds without).
WERROR       = -DKALVORO_WERROR=$(if $(KALVORO_WERROR),ON,OFF)

# Debian packages each goal needs; tools/install-deps.sh installs whatever is missing.
PKG_BUILD = cmake make g++ pkg-config libsdl2-dev libgtest-dev libbenchmark-dev zlib1g-dev
PKG_WINDOWS = cmake make g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 zip
PKG_WEB   = emscripten chromium nodejs python3 ca-certificates
PKG_FUZZ  = cmake make clang libclang-rt-dev
PKG_TEST  = $(PKG_BUILD) $(PKG_DEB) xvfb xauth xdotool x11-apps x11-utils libx11-dev libxfixes-dev imagemagick procps unzip patchelf icoutils $(PKG_WINDOWS) $(PKG_WEB) $(PKG_FUZZ)

.PHONY: all play test check build configure deps-build deps-test clean print-packages

all: build

deps-build:
	@bash tools/install-deps.sh $(PKG_BUILD)

deps-test:
	@bash tools/install-deps.sh $(PKG_TEST)

configure:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) $(WERROR) >/dev/null

build: deps-build configure
	@cmake --build $(BUILD) -j $(JOBS)

# Play from the repository root, so the game finds tools/maptool/map.txt.
play: build
	./$(BUILD)/shotgun-kalvoro

test: deps-test windows web web-test-deps configure
	@cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory sanitize-test fuzz-short

# The inner loop while working: the unit, game-flow and replay tests, under a minute on two cores.
# `make test` stays the whole gate.
check: deps-build configure
	@cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L check

clean:
	rm -rf $(BUILD) build-*

# Every package list above and below, a line each (the list's name, then its packages): what
# tools/fresh/fresh-check.sh reads to tell our packages from what they pulled in.
print-packages:
	@$(foreach list,$(sort $(filter PKG_%,$(.VARIABLES))),echo '$(list) $($(list))';)

# The native Windows build, cross-compiled with mingw-w64: dist/shotgun-kalvoro.exe and the zip to hand out.
WIN_BUILD ?= build-win32

.PHONY: windows deps-windows
deps-windows:
	@bash tools/install-deps.sh $(PKG_WINDOWS)

windows: deps-windows
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake $(CMAKE_FLAGS) $(WERROR) >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)
	@bash backends/win32/package.sh $(WIN_BUILD)/shotgun-kalvoro.exe dist

# The packages for players, in dist/: the Windows zip, the Linux x86-64 archive (the game and its tools
# with the libraries they load, from $(BUILD)), the browser build as a zip, and SHA256SUMS over the three.
PKG_DIST     = $(PKG_BUILD) patchelf zip
DIST_FILES   = shotgun-kalvoro-windows.zip shotgun-kalvoro-linux-x86_64.tar.gz shotgun-kalvoro-web.zip

.PHONY: dist deps-dist
deps-dist:
	@bash tools/install-deps.sh $(PKG_DIST)

dist: deps-dist windows web configure
	@cmake --build $(BUILD) -j $(JOBS) --target shotgun-kalvoro maptool kalvoro-run
	@bash backends/sdl2/package.sh $(BUILD)/shotgun-kalvoro dist
	@bash backends/web/package.sh $(WEB_BUILD) dist
	@cd dist && sha256sum $(DIST_FILES) >.SHA256SUMS.part && mv .SHA256SUMS.part SHA256SUMS
	@cat dist/SHA256SUMS

# The browser build with emscripten: build-web/index.html (+ index.js, index.wasm), and a server on
# 127.0.0.1 to play it. Debian's emscripten needs its node modules from /usr/share/nodejs.
WEB_BUILD ?= build-web
WEB_PORT  ?= 8000
WEB_ENV    = NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}

.PHONY: web serve deps-web web-test-deps
deps-web:
	@bash tools/install-deps.sh $(PKG_WEB)

web: deps-web
	@$(WEB_ENV) emcmake cmake -S backends/web -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release $(WERROR) >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

serve: web
	@echo "Play at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops the server)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)

# The browser test's node modules, exactly as locked (npm comes with some nodejs builds, else from Debian).
web-test-deps: deps-web
	@command -v npm >/dev/null 2>&1 || bash tools/install-deps.sh npm
	@cd tests/web && { [ node_modules/.package-lock.json -nt package-lock.json ] || npm ci --no-audit --no-fund; }

# Under `make test` a missing page fails the browser test instead of skipping it, and every build
# it makes (here and in the sanitizer and fuzz builds it starts) treats warnings as errors.
test: export KALVORO_REQUIRE_WEB = 1
test: export KALVORO_WERROR = 1

# Reliability. The unit, game-flow, fault and soak tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer (ASAN_BUILD); the fuzz targets built with clang and libFuzzer (FUZZ_BUILD).
# `make test` runs both with a minute of fuzzing; `make fuzz` fuzzes longer, `make soak` soaks an hour
# of game time per seed.
ASAN_BUILD   ?= build-asan
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_LONG_SECONDS ?= 1800
SOAK_FRAMES  ?= 225000
SOAK_SEEDS   ?= 1 2 3

# The end-to-end tests (the SDL2 window, Wine, the browser page, the solver) FLAKE_RUNS times each
# beside a looping clean build of the core, with the failures of each test counted.
FLAKE_RUNS  ?= 50
FLAKE_TESTS ?= sdl2_window wine web_browser solve_skill_stages

.PHONY: flake-check
flake-check: export KALVORO_REQUIRE_WEB = 1
flake-check: deps-test windows web web-test-deps configure
	@cmake --build $(BUILD) -j $(JOBS)
	@bash tools/flake-check.sh $(BUILD) $(FLAKE_RUNS) $(FLAKE_TESTS)

.PHONY: sanitize-test fuzz-build fuzz-short fuzz soak deps-fuzz
deps-fuzz:
	@bash tools/install-deps.sh $(PKG_FUZZ)

sanitize-test: deps-build
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKALVORO_SANITIZE=ON -DKALVORO_SOAK_FRAMES=20000 $(WERROR) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target kalvoro_sanitize_tests
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L sanitize

fuzz-build: deps-fuzz
	@cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-short: fuzz-build
	@bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz: fuzz-build
	@bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_LONG_SECONDS)

soak: deps-build configure
	@cmake --build $(BUILD) -j $(JOBS) --target kalvoro-soak
	@for seed in $(SOAK_SEEDS); do ./$(BUILD)/tests/reliability/kalvoro-soak --frames $(SOAK_FRAMES) --seed $$seed || exit 1; done

# Benchmarks: the frame, sound, presentation and the whole headless game, as medians of repetitions and
# ratios to one clear of the 320 x 200 buffer, plus the running SDL2 game's processor use under Xvfb and
# the browser page's weight and time to its first picture in headless Chromium.
# Built as Release in its own folder; docs/performance.md explains the table.
BENCH_BUILD ?= build-bench
BENCH_REPS  ?= 5
PKG_BENCH    = $(PKG_BUILD) python3 xvfb xauth xdotool

.PHONY: bench deps-bench
deps-bench:
	@bash tools/install-deps.sh $(PKG_BENCH)

bench: deps-bench web web-test-deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DKALVORO_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target kalvoro_bench $$(cmake --build $(BENCH_BUILD) --target help | grep -oE 'kalvoro_bench_sdl2|shotgun-kalvoro' | sort -u)
	@BENCH_WEB_DIR=$(CURDIR)/$(WEB_BUILD) bash bench/run.sh $(BENCH_BUILD) $(BENCH_REPS)

# The README's pictures (docs/title.png, play.png, stage.png, route.png, run.gif), made by the current build
# through the headless runner and maptool; then the page in headless Chromium (docs/web-play.png,
# web-phone.png) and the Windows build under Wine (docs/wine-title.png, wine-play.png), from their
# end-to-end tests.
PKG_PICTURES = $(PKG_BUILD) imagemagick xvfb xauth xdotool x11-apps
PICTURE_SHOTS = $(BUILD)/tests/web/screenshots/web-play.png $(BUILD)/tests/web/screenshots/web-phone.png \
                $(BUILD)/tests/wine/screenshots/wine-title.png \
                $(BUILD)/tests/wine/screenshots/wine-play.png $(BUILD)/tests/e2e/screenshots/editor.png

.PHONY: pictures deps-pictures
deps-pictures:
	@bash tools/install-deps.sh $(PKG_PICTURES)

pictures: deps-pictures windows web web-test-deps configure
	@cmake --build $(BUILD) -j $(JOBS)
	@bash tools/runner/make_pictures.sh $(BUILD) docs
	@rm -f $(PICTURE_SHOTS)
	cd $(BUILD) && KALVORO_REQUIRE_WEB=1 ctest --output-on-failure -R '^(web_browser|wine|sdl2_editor_window)$$'
	@cp $(PICTURE_SHOTS) docs/

# The icon files the packages and the page use (backends/icons/), drawn anew by the game's own code;
# `make test` fails while they differ from what it draws.
.PHONY: icons
icons: deps-build configure
	@cmake --build $(BUILD) -j $(JOBS) --target kalvoro-icons
	./$(BUILD)/tools/icons/kalvoro-icons backends/icons

# The Debian package, dist/shotgun-kalvoro_VERSION_ARCH.deb: the game and its tools built in their own
# folder with Debian's hardening flags, installed with prefix /usr and checked by lintian,
# desktop-file-validate and appstreamcli (backends/sdl2/linux/deb.sh).
DEB_BUILD ?= build-deb
PKG_DEB    = $(PKG_BUILD) dpkg-dev lintian desktop-file-utils appstream
DEB_FLAGS  = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get

.PHONY: deb deps-deb
deps-deb:
	@bash tools/install-deps.sh $(PKG_DEB)

deb: deps-deb
	@cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORO_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	@cmake --build $(DEB_BUILD) -j $(JOBS) --target shotgun-kalvoro maptool kalvoro-run
	@bash backends/sdl2/linux/deb.sh $(DEB_BUILD) dist

# A minimal Debian 12 root made with debootstrap, the README's two commands run in it from nothing, the
# Linux package started in a second pristine root and the .deb installed, started and purged in a third;
# needs root. Downloads a lot: not part of `make test`.
FRESH_BUILD ?= build-fresh
PKG_FRESH    = debootstrap xvfb xdotool x11-apps

.PHONY: fresh-check deps-fresh
deps-fresh:
	@bash tools/install-deps.sh $(PKG_FRESH)

fresh-check: deps-fresh
	@bash tools/fresh/fresh-check.sh $(FRESH_BUILD)
