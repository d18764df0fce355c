# What every build of the game shares (desktop, browser, fuzz, Windows): the portable modules, one
# folder each, and the compiler flags.
set(KALVORO_MODULES app render input world actors audio)
# The stage sets the game ships, each a folder whose stages play in the order of their names, with a
# par beside each: the lessons (one skill each) and the climb (the skills together, easy to hard by the
# solver's rating). Every package carries each set in a folder named as its own (lessons/, climb/), and
# `make test` proves every stage with the solver. The package scripts read these lines too.
set(KALVORO_STAGE_SETS SKILL CLIMB)
set(KALVORO_SKILL_STAGE_DIR tools/maptool/lessons)
set(KALVORO_SKILL_STAGES 1-long-pit 2-double-shot 3-ledge-climb 4-walker 5-narrow-shaft 6-kill-upward)
set(KALVORO_CLIMB_STAGE_DIR tools/maptool/climb)
set(KALVORO_CLIMB_STAGES 01-first-pit 02-islands 03-tower 04-walker-landing 05-stairs 06-double-wall 07-two-pits 08-walker-stairs 09-wall-and-pit 10-chimney 11-shaft-and-pit 12-walker-hall 13-trapdoor 14-shaft-walkers 15-summit)

get_filename_component(KALVORO_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# The .cpp files of the portable modules, into VAR.
function(kalvoro_module_sources var)
  set(globs)
  foreach(module ${KALVORO_MODULES})
    list(APPEND globs ${KALVORO_ROOT}/${module}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# The game's portable modules as the static library kalvoro_core, defined here once for every build
# (the desktop and Windows, the page, the fuzz targets); KALVORO_CORE_SOURCES lists its files.
macro(kalvoro_add_core)
  kalvoro_module_sources(KALVORO_CORE_SOURCES)
  add_library(kalvoro_core STATIC ${KALVORO_CORE_SOURCES})
  target_include_directories(kalvoro_core PUBLIC ${KALVORO_ROOT})
endmacro()

# The headless backend on the core, kalvoro_headless (a library, no entry point of its own), for the
# tests, the tools and the fuzz targets; KALVORO_HEADLESS_SOURCES lists its files.
macro(kalvoro_add_headless)
  file(GLOB KALVORO_HEADLESS_SOURCES CONFIGURE_DEPENDS ${KALVORO_ROOT}/backends/headless/*.cpp)
  add_library(kalvoro_headless STATIC ${KALVORO_HEADLESS_SOURCES})
  target_link_libraries(kalvoro_headless PUBLIC kalvoro_core)
endmacro()

# What the desktop backends (SDL2, Win32) share beyond the core, and their tests build too.
set(KALVORO_DESKTOP_SOURCES ${KALVORO_ROOT}/backends/key_gate.cpp)
# Pads looked at once a frame (the page's and Windows' XInput).
set(KALVORO_POLLED_PAD_SOURCES ${KALVORO_ROOT}/backends/pad_poll.cpp)

# Exact single-precision arithmetic: no contraction into FMA, never fast-math.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)

# The test and CI builds turn every warning into an error, so a new one fails the run.
option(KALVORO_WERROR "Treat warnings as errors" OFF)
if(KALVORO_WERROR)
  add_compile_options(-Werror)
endif()

# Marks test NAME, run by TARGET, as one the sanitizer build runs (`ctest -L sanitize`); the target
# kalvoro_sanitize_tests builds every such TARGET.
function(kalvoro_sanitize_test name target)
  set_property(TEST ${name} APPEND PROPERTY LABELS sanitize)
  set_property(GLOBAL APPEND PROPERTY KALVORO_SANITIZE_TARGETS ${target})
endfunction()

# Marks tests as part of `make check`, the quick inner loop (`ctest -L check`).
function(kalvoro_check_test)
  set_property(TEST ${ARGN} APPEND PROPERTY LABELS check)
endfunction()

# Says in one line what is left out, what it lacks and which Debian package brings that.
function(kalvoro_not_built what missing package)
  message(NOTICE "-- Not built: ${what}; ${missing} not found, install ${package}")
endfunction()
