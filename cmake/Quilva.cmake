# Build helpers shared by every folder.
#
# quilva_library(name [WIN32_ONLY] SOURCES ... [LIBS ...])
#   A static library. Without WIN32_ONLY it is portable: no <windows.h>, built by
#   the host compiler too, and listed in QUILVA_PORTABLE_LIBS for bench/ and fuzz/.
# quilva_test(name [HOST_ONLY] [WIN32_ONLY] SOURCES ... [LIBS ...] [TIMEOUT s])
#   A GoogleTest executable. Portable tests run natively on the host and, unless
#   HOST_ONLY, once more under Wine in the win64 build (LLP64 and CRT differences).
#   WIN32_ONLY tests use the Win32 test main (message boxes, dialog driver).
# quilva_program(name SOURCES ... [LIBS ...] [SUFFIX .scr])
#   A deliverable: a GUI-subsystem Windows program.

add_library(quilva_options INTERFACE)
target_compile_options(quilva_options INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers>
  $<$<CXX_COMPILER_ID:MSVC>:/W4 /utf-8 /wd4100>)
if(WIN32)
  target_compile_definitions(quilva_options INTERFACE
    UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _CRT_SECURE_NO_WARNINGS)
endif()
# Every sanitizer finding ends the process, so it fails the test that met it
# instead of scrolling past in a log. The sanitizer build wants clang: GCC's
# undefined-behaviour checks miss a pointer wrapped by an unsigned offset.
if(QUILVA_SANITIZE AND NOT WIN32)
  target_compile_options(quilva_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(quilva_options INTERFACE -fsanitize=address,undefined)
endif()
if(QUILVA_FUZZ)
  # Libraries are instrumented for coverage; only the fuzz targets link the fuzzer's main.
  target_compile_options(quilva_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(quilva_options INTERFACE -fsanitize=address,undefined)
endif()

# The window system, the shell, the common controls, the common dialogs, Video
# for Windows and the platform's AVIFile are loaded at their first call instead
# of at start: a scripted run that opens no window, dialog or player never
# loads them. Under Wine each of them costs tens of milliseconds of every start
# (user32 sets up its fonts, the others register their window classes as they
# load); on Windows it saves less, but nothing is lost.
set(QUILVA_DELAY_LOADED user32 gdi32 shell32 comctl32 comdlg32 msvfw32 avifil32)
if(WIN32 AND MINGW)
  # GNU ld has no delay-load switch: dlltool makes delay-import libraries from
  # the names the toolchain's own import libraries export, and targets named
  # after the libraries take their place on every link line.
  if(NOT CMAKE_DLLTOOL)
    find_program(CMAKE_DLLTOOL NAMES ${QUILVA_MINGW_PREFIX}-dlltool dlltool REQUIRED)
  endif()
  set(delay_dir ${CMAKE_BINARY_DIR}/delay-load)
  file(MAKE_DIRECTORY ${delay_dir})
  foreach(dll ${QUILVA_DELAY_LOADED})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
      OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_NM} ${import} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
    string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
    if(failed OR NOT imports)
      message(FATAL_ERROR "no exports found in ${import} for delay-loading ${dll}.dll")
    endif()
    list(TRANSFORM imports REPLACE " I __imp_" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" names)
    file(WRITE ${delay_dir}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${names}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} -d ${delay_dir}/${dll}.def -D ${dll}.dll
      -y ${delay_dir}/lib${dll}_delay.a RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dlltool could not make the delay-import library of ${dll}.dll")
    endif()
    add_library(${dll} STATIC IMPORTED GLOBAL)
    set_target_properties(${dll} PROPERTIES IMPORTED_LOCATION ${delay_dir}/lib${dll}_delay.a)
  endforeach()
  # The toolchain's vfw32 is msvfw32, avifil32 and avicap32 in one.
  add_library(vfw32 INTERFACE IMPORTED GLOBAL)
  set_target_properties(vfw32 PROPERTIES INTERFACE_LINK_LIBRARIES "msvfw32;avifil32;avicap32")
elseif(MSVC)
  foreach(dll ${QUILVA_DELAY_LOADED})
    target_link_options(quilva_options INTERFACE /DELAYLOAD:${dll}.dll)
  endforeach()
  # LNK4199: a program that imports nothing from one of them.
  target_link_options(quilva_options INTERFACE /IGNORE:4199)
  target_link_libraries(quilva_options INTERFACE delayimp)
endif()

if(WIN32)
  if(CMAKE_CROSSCOMPILING)
    # Every Win32 test runs through Wine with the run's own prefix, display and sound.
    set(QUILVA_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/wine-run ${QUILVA_WINE_DIR})
    add_test(NAME wine_up COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-env up ${QUILVA_WINE_DIR})
    set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
    add_test(NAME wine_down COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-env down ${QUILVA_WINE_DIR})
    set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)
  endif()
  # Native Windows builds (MSVC) take an installed GoogleTest (vcpkg, conan) when
  # there is one; otherwise, and always when cross-compiling, GoogleTest is built
  # from its sources (Debian's googletest package by default).
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest QUIET)
  endif()
  if(GTest_FOUND)
    add_library(gtest ALIAS GTest::gtest)
    add_library(gtest_main ALIAS GTest::gtest_main)
  elseif(NOT TARGET gtest)
    set(QUILVA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${QUILVA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(QUILVA_GTEST gtest)
  set(QUILVA_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(QUILVA_GTEST GTest::gtest)
  set(QUILVA_GTEST_MAIN GTest::gtest_main)
endif()

# Under Wine a program's start maps every section of its file, the debugging
# information too (four fifths of a program built with it, about 50 ms of each
# start). The MinGW build moves that information into NAME.debug beside the
# program, where gdb, addr2line and perf find it through the link left behind.
function(quilva_split_debug target)
  if(MINGW AND CMAKE_OBJCOPY AND NOT CMAKE_BUILD_TYPE STREQUAL "Release")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
              $<TARGET_FILE:${target}>.debug
      COMMAND ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
              $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()

set_property(GLOBAL PROPERTY QUILVA_PORTABLE_LIBS "")

function(quilva_library name)
  cmake_parse_arguments(A "WIN32_ONLY" "" "SOURCES;LIBS" ${ARGN})
  if(A_WIN32_ONLY AND NOT WIN32)
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC quilva_options ${A_LIBS})
  if(NOT A_WIN32_ONLY)
    set_property(GLOBAL APPEND PROPERTY QUILVA_PORTABLE_LIBS ${name})
  endif()
endfunction()

function(quilva_test name)
  cmake_parse_arguments(A "HOST_ONLY;WIN32_ONLY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(QUILVA_FUZZ)
    return()
  endif()
  if(A_WIN32_ONLY AND NOT WIN32)
    return()
  endif()
  if(A_HOST_ONLY AND WIN32)
    return()
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  add_executable(${name} ${A_SOURCES})
  quilva_split_debug(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE QUILVA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(A_WIN32_ONLY)
    target_link_libraries(${name} PRIVATE ${A_LIBS} quilva_win_test_main ${QUILVA_GTEST} quilva_options)
  else()
    target_link_libraries(${name} PRIVATE ${A_LIBS} ${QUILVA_GTEST_MAIN} quilva_options)
  endif()
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${A_TIMEOUT})
  else()
    gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      PROPERTIES TIMEOUT ${A_TIMEOUT} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

function(quilva_program name)
  cmake_parse_arguments(A "" "SUFFIX" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} WIN32 ${A_SOURCES})
  quilva_split_debug(${name})
  if(MINGW)
    target_link_options(${name} PRIVATE -municode)  # the entry point is wWinMain
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} quilva_options)
  # All deliverables side by side, where the tests and the run script find them.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(A_SUFFIX)
    set_target_properties(${name} PROPERTIES SUFFIX ${A_SUFFIX})
  endif()
endfunction()
