# Shared helpers for the parts' CMakeLists.

# vor_test(NAME LABEL <label> [SERIAL] SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest executable and registers its cases with ctest under LABEL. SERIAL cases run
# alone (for tests that start whole programs and wait on them).
function(vor_test name)
  cmake_parse_arguments(T "SERIAL" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  set(T_SERIAL_VALUE FALSE)
  if(T_SERIAL)
    set(T_SERIAL_VALUE TRUE)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    VOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VOR_BINARY_DIR="${CMAKE_BINARY_DIR}"
    VOR_CORPUS_DIR="${CMAKE_SOURCE_DIR}/../shared/corpus")
  include(GoogleTest)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT} RUN_SERIAL ${T_SERIAL_VALUE}
    DISCOVERY_TIMEOUT 60)
endfunction()

# vor_test_optional_parts(TARGET): tells a test whether the optional parts were built, so that their
# tests skip with a reason instead of failing where a library was missing at configure time.
# VOR_SYNTH_BUILT: the built-in synthesizer (FluidSynth); VOR_SDL_BUILT: the desktop backend (SDL2).
function(vor_test_optional_parts target)
  target_compile_definitions(${target} PRIVATE
    "VOR_SYNTH_BUILT=$<IF:$<IN_LIST:VOR_HAVE_FLUIDSYNTH=1,$<TARGET_PROPERTY:vormidiout,COMPILE_DEFINITIONS>>,1,0>"
    "VOR_SDL_BUILT=$<IF:$<IN_LIST:VOR_HAVE_SDL=1,$<TARGET_PROPERTY:vorplatform,COMPILE_DEFINITIONS>>,1,0>")
endfunction()
