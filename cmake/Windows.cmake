# Settings of the 32-bit Windows build.
find_package(libjpeg-turbo CONFIG REQUIRED)
find_package(GTest CONFIG REQUIRED)
include(GoogleTest)

# One printf family everywhere: MinGW's C99 implementation.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1 STRICT NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Wall -Wno-unused-parameter -Wno-missing-field-initializers)

set(ZELVO_SYSTEM_LIBS ws2_32 comctl32 comdlg32 gdi32 user32 advapi32 shell32 ole32 oleaut32 uuid msimg32 version winmm)

# windres does not tell which files a resource script includes: a target's
# scripts are rebuilt when any file of their folder changes.
function(zelvo_resource_parts target)
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.rc$")
      get_filename_component(script "${source}" ABSOLUTE)
      get_filename_component(folder "${script}" DIRECTORY)
      file(GLOB parts CONFIGURE_DEPENDS "${folder}/*")
      list(REMOVE_ITEM parts "${script}")
      set_property(SOURCE "${script}" APPEND PROPERTY OBJECT_DEPENDS ${parts})
    endif()
  endforeach()
endfunction()

# ANSI programs: UTF-8 sources, narrow literals in the GB2312 code page.
function(zelvo_ansi target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-finput-charset=UTF-8 -fexec-charset=GBK>)
  zelvo_resource_parts(${target})
endfunction()

# The Unicode program: wide literals and the W functions.
function(zelvo_unicode target)
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE)
  target_link_options(${target} PRIVATE -municode)
  zelvo_resource_parts(${target})
endfunction()

# A GoogleTest program run through Wine; each test case is its own ctest test.
# LOCK names a shared resource (a registry key, a port) whose tests must not
# run at the same time as other tests holding the same lock. SERIAL tests run
# alone: they drive the one desktop's real input or cover the screen.
function(zelvo_win_test target)
  cmake_parse_arguments(T "SERIAL" "LOCK" "SOURCES;LIBS;RESOURCES" ${ARGN})
  add_executable(${target} ${T_SOURCES} ${T_RESOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  zelvo_ansi(${target})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest ${ZELVO_SYSTEM_LIBS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  set(lock)
  if(T_LOCK)
    set(lock RESOURCE_LOCK ${T_LOCK})
  endif()
  if(T_SERIAL)
    list(APPEND lock RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 120 ${lock} ENVIRONMENT "ZELVO_TEST_OUTPUT=${ZELVO_TEST_OUTPUT}")
endfunction()

set(ZELVO_TEST_OUTPUT "${CMAKE_BINARY_DIR}/test-output" CACHE PATH "Where tests leave screenshots and logs")
