# One static library per source folder, and one GoogleTest executable per library
# built from the mirror folder under tests/.
#
#   sdelka_library(<target> <folder> DEPS <deps...> [WITHOUT <libraries...>] [EXCLUDE <files...>]
#                  [PCH <headers...>] [TEST_DEPS <libraries...>] [SHARDS <n>])
#
# Sources are the folder's own *.cpp (not its sub-folders).
#
# Libraries are declared bottom up, each one before the libraries that depend on it. A dependency
# is either a library declared earlier or an imported target (Qt6::Gui, ZLIB::ZLIB ...); any other
# name stops the configuration.
#
# A library whose folder has no sources yet is a planned library: it is declared with its place in
# the layering (so others may name it), but makes no target. Whoever depends on a planned library
# links what that library depends on instead, so a layer can be built before the one beneath it.
#
# WITHOUT names libraries that the library's files must not reach even through the headers of the
# libraries they may include (the in-memory record store stands on the grid foundation, but none of
# its files may end up including a control).
#
# TEST_DEPS names libraries (declared earlier) that only the library's tests link and include besides
# the library itself (a grid layer tested over a dataset of a side branch of the layering).
#
# SHARDS: how many CTest tests the library's test executable runs as (each a share of its suites);
# by default one per four test files, at most eight.
#
# Precompiled headers (option SDELKA_PCH): every library and every test executable compiles one
# header of its own, made of what sdelka_pch() gave to the libraries it stands on and to itself,
# then the library's own PCH list (for the headers only its sources include often), and for a test
# executable GoogleTest. sdelka_pch(<library> <headers...>) is said before the library is declared.
#
# sdelka_layering() comes after the last library: it writes the layering table and registers the
# test "layering" (cmake/CheckLayering.cmake), which fails when a file includes a header of a
# library that its own library does not depend on, or when a built library needs a symbol that only
# a library it does not depend on defines (cmake/checklinks.py), and "layering_selftest", which
# plants both kinds of violation in a small tree and checks that they are caught.
set(SDELKA_TEST_ENV "QT_QPA_PLATFORM=offscreen"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "SDELKA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")

# Sets out to ON when target is lib or links it, directly or through its dependencies.
function(sdelka_links_to target lib out)
  set(queue ${target})
  set(seen)
  set(found OFF)
  while(queue)
    list(POP_FRONT queue t)
    if(t STREQUAL lib)
      set(found ON)
      break()
    endif()
    if(t IN_LIST seen OR NOT TARGET ${t})
      continue()
    endif()
    list(APPEND seen ${t})
    get_target_property(deps ${t} LINK_LIBRARIES)
    if(deps)
      list(APPEND queue ${deps})
    endif()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

set_property(GLOBAL PROPERTY SDELKA_LIBRARIES "")

# Unity builds (option SDELKA_UNITY, on by default): the sources of a library or a test executable
# are compiled in batches of 8, one translation unit per batch, so the headers they share are read
# and their inline code generated once per batch instead of once per file. A file must therefore
# not clash with the other files of its folder: helpers in an anonymous namespace with a name
# another file of the library also uses (a function, a constant, a type), file-level `using`
# declarations or macros left defined. A helper two files need goes to one home (a header of the
# library); a name of one file only gets a name of its own. A file that cannot share a batch is
# listed with sdelka_unity_exclude(<file>...), which compiles it on its own, and a library whose
# files do not batch yet with sdelka_unity_exclude_library(<library>...).
option(SDELKA_UNITY "Compile each library's sources in batches (unity build)" ON)
set_property(GLOBAL PROPERTY SDELKA_UNITY_EXCLUDED "")
function(sdelka_unity_exclude)
  foreach(f IN LISTS ARGN)
    set_property(GLOBAL APPEND PROPERTY SDELKA_UNITY_EXCLUDED ${CMAKE_SOURCE_DIR}/${f})
  endforeach()
endfunction()
set_property(GLOBAL PROPERTY SDELKA_UNITY_EXCLUDED_LIBRARIES "")
function(sdelka_unity_exclude_library)
  set_property(GLOBAL APPEND PROPERTY SDELKA_UNITY_EXCLUDED_LIBRARIES ${ARGN})
endfunction()
function(sdelka_unity target)
  get_property(skip GLOBAL PROPERTY SDELKA_UNITY_EXCLUDED_LIBRARIES)
  if(NOT SDELKA_UNITY OR target IN_LIST skip)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8
                                             UNITY_BUILD_UNIQUE_ID SDELKA_UNITY_ID)
  get_property(excluded GLOBAL PROPERTY SDELKA_UNITY_EXCLUDED)
  get_target_property(srcs ${target} SOURCES)
  foreach(f IN LISTS srcs)
    if(f IN_LIST excluded)
      set_source_files_properties(${f} TARGET_DIRECTORY ${target} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()
option(SDELKA_PCH "Precompiled headers per library" ON)

# Headers for the precompiled header of the library and of every library that stands on it:
# system headers as <name>, the project's as "folder/name.h".
function(sdelka_pch lib)
  set_property(GLOBAL APPEND PROPERTY SDELKA_PCH_${lib} ${ARGN})
endfunction()

# The precompiled headers of a library: those given to it and to what it stands on, in the order
# of the declarations (lowest layer first), without the headers of the libraries it must not reach.
function(_sdelka_pch_headers out lib)
  _sdelka_all_deps(all ${lib})
  get_property(libs GLOBAL PROPERTY SDELKA_LIBRARIES)
  get_property(without GLOBAL PROPERTY SDELKA_LIB_${lib}_WITHOUT)
  set(banned "")
  foreach(d IN LISTS without)
    get_property(ddir GLOBAL PROPERTY SDELKA_LIB_${d}_DIR)
    list(APPEND banned ${ddir})
  endforeach()
  set(result "")
  foreach(l IN LISTS libs)
    if(l IN_LIST all OR l STREQUAL lib)
      get_property(hdrs GLOBAL PROPERTY SDELKA_PCH_${l})
      foreach(h IN LISTS hdrs)
        if(h MATCHES "^<")
          list(APPEND result "${h}")
        else()
          get_filename_component(hdir ${h} DIRECTORY)
          if(NOT hdir IN_LIST banned)
            list(APPEND result ${CMAKE_SOURCE_DIR}/${h})
          endif()
        endif()
      endforeach()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# The link dependencies of a declared library: its imported targets and built libraries, and for a
# planned library the link dependencies of what it stands on.
function(_sdelka_link_deps out lib)
  get_property(deps GLOBAL PROPERTY SDELKA_LIB_${lib}_DEPS)
  set(result "")
  foreach(d IN LISTS deps)
    get_property(planned GLOBAL PROPERTY SDELKA_LIB_${d}_PLANNED)
    if(d MATCHES "::" OR NOT planned)
      list(APPEND result ${d})
    else()
      _sdelka_link_deps(sub ${d})
      list(APPEND result ${sub})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Every library the library stands on, directly or not (declared libraries only, no imported targets).
function(_sdelka_all_deps out lib)
  get_property(deps GLOBAL PROPERTY SDELKA_LIB_${lib}_DEPS)
  set(result "")
  foreach(d IN LISTS deps)
    if(NOT d MATCHES "::")
      _sdelka_all_deps(sub ${d})
      list(APPEND result ${d} ${sub})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(sdelka_library target dir)
  cmake_parse_arguments(ARG "" "SHARDS" "DEPS;EXCLUDE;WITHOUT;PCH;TEST_DEPS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "sdelka_library(${target}): unexpected arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  get_property(known GLOBAL PROPERTY SDELKA_LIBRARIES)
  if(target IN_LIST known)
    message(FATAL_ERROR "sdelka_library(${target}): declared twice")
  endif()
  foreach(d IN LISTS ARG_DEPS ARG_WITHOUT ARG_TEST_DEPS)
    if(d MATCHES "::" AND d IN_LIST ARG_DEPS)
      if(NOT TARGET ${d})
        message(FATAL_ERROR "sdelka_library(${target}): unknown imported target ${d} (missing find_package?)")
      endif()
    elseif(NOT d IN_LIST known)
      message(FATAL_ERROR "sdelka_library(${target}): unknown library ${d}; declare libraries bottom up, "
                          "a planned one (no sources yet) like any other")
    endif()
  endforeach()

  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(x IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/${dir}/${x})
  endforeach()
  set(planned FALSE)
  if(NOT srcs)
    set(planned TRUE)
  endif()

  set_property(GLOBAL APPEND PROPERTY SDELKA_LIBRARIES ${target})
  set_property(GLOBAL PROPERTY SDELKA_LIB_${target}_DIR ${dir})
  set_property(GLOBAL PROPERTY SDELKA_LIB_${target}_DEPS ${ARG_DEPS})
  set_property(GLOBAL PROPERTY SDELKA_LIB_${target}_WITHOUT ${ARG_WITHOUT})
  set_property(GLOBAL PROPERTY SDELKA_LIB_${target}_TEST_DEPS ${ARG_TEST_DEPS})
  set_property(GLOBAL PROPERTY SDELKA_LIB_${target}_PLANNED ${planned})
  if(planned)
    return()
  endif()

  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  add_library(${target} STATIC ${srcs} ${hdrs})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  sdelka_unity(${target})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  _sdelka_link_deps(link ${target})
  target_link_libraries(${target} PUBLIC ${link})
  set(pch "")
  if(SDELKA_PCH)
    _sdelka_pch_headers(pch ${target})
    foreach(h IN LISTS ARG_PCH)
      if(h MATCHES "^<")
        list(APPEND pch "${h}")
      else()
        list(APPEND pch ${CMAKE_SOURCE_DIR}/${h})
      endif()
    endforeach()
  endif()
  if(pch)
    target_precompile_headers(${target} PRIVATE ${pch})
  endif()

  file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(tsrcs)
    set(t test_${target})
    add_executable(${t} ${tsrcs})
    target_link_libraries(${t} PRIVATE ${target} GTest::gtest GTest::gmock)
    foreach(d IN LISTS ARG_TEST_DEPS)
      _sdelka_link_deps(tlink ${d})
      get_property(tplanned GLOBAL PROPERTY SDELKA_LIB_${d}_PLANNED)
      if(NOT tplanned)
        list(APPEND tlink ${d})
      endif()
      target_link_libraries(${t} PRIVATE ${tlink})
    endforeach()
    # the test doubles, for every test executable above the runtime library (platform_testing is
    # declared after the libraries it stands on; CMake resolves the name when it generates)
    if(NOT target STREQUAL "platform_rtl" AND NOT target STREQUAL "platform_testing")
      target_link_libraries(${t} PRIVATE platform_testing)
    endif()
    target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    if(EXISTS ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp)
      target_sources(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp)
      if(NOT target STREQUAL "platform_rtl")
        target_compile_definitions(${t} PRIVATE SDELKA_TEST_GUI=1)
        target_link_libraries(${t} PRIVATE Qt6::Widgets)
      endif()
      # the entry point's guard also restores the window framework's settings where it is linked
      sdelka_links_to(${target} platform_gui windows)
      if(windows)
        target_compile_definitions(${t} PRIVATE SDELKA_TEST_WINDOWS=1)
      endif()
      sdelka_links_to(${target} platform_office office)
      if(office)
        target_compile_definitions(${t} PRIVATE SDELKA_TEST_OFFICE=1)
      endif()
    else()
      target_link_libraries(${t} PRIVATE GTest::gtest_main)
    endif()
    if(pch)
      target_precompile_headers(${t} PRIVATE ${pch} <gtest/gtest.h>)
    endif()
    sdelka_unity(${t})
    # A large executable runs as several CTest tests, each a share of its suites (see
    # tests/support/test_main.cpp), so that ctest -j spreads it over the cores: one share per four
    # test files, at most eight, unless SHARDS says. A process costs a fraction of a CPU-second,
    # so not one per case.
    list(LENGTH tsrcs nfiles)
    math(EXPR shards "(${nfiles} + 3) / 4")
    if(shards GREATER 8)
      set(shards 8)
    endif()
    if(ARG_SHARDS)
      set(shards ${ARG_SHARDS})
    endif()
    if(shards LESS 2 OR NOT EXISTS ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp)
      add_test(NAME ${target} COMMAND ${t})
      set_tests_properties(${target} PROPERTIES ENVIRONMENT "${SDELKA_TEST_ENV}" TIMEOUT 900)
    else()
      math(EXPR last "${shards} - 1")
      foreach(i RANGE ${last})
        math(EXPR n "${i} + 1")
        add_test(NAME ${target}:${n}/${shards} COMMAND ${t})
        set_tests_properties(${target}:${n}/${shards} PROPERTIES
                             ENVIRONMENT "${SDELKA_TEST_ENV};SDELKA_TEST_SHARD=${i}/${shards}" TIMEOUT 900)
      endforeach()
    endif()
  endif()
endfunction()

# Writes the layering table (one line per library: name, folder, the folders it may include, the
# folders it must not reach, the further folders its tests may include) and registers the test that checks every file against it.
function(sdelka_layering)
  get_property(libs GLOBAL PROPERTY SDELKA_LIBRARIES)
  set(table "# Generated by sdelka_layering() in cmake/Sdelka.cmake.\n")
  foreach(lib IN LISTS libs)
    get_property(dir GLOBAL PROPERTY SDELKA_LIB_${lib}_DIR)
    _sdelka_all_deps(all ${lib})
    set(allowed ${dir})
    foreach(d IN LISTS all)
      get_property(ddir GLOBAL PROPERTY SDELKA_LIB_${d}_DIR)
      list(APPEND allowed ${ddir})
    endforeach()
    get_property(without GLOBAL PROPERTY SDELKA_LIB_${lib}_WITHOUT)
    set(banned "")
    foreach(d IN LISTS without)
      get_property(ddir GLOBAL PROPERTY SDELKA_LIB_${d}_DIR)
      list(APPEND banned ${ddir})
    endforeach()
    get_property(tdeps GLOBAL PROPERTY SDELKA_LIB_${lib}_TEST_DEPS)
    set(testallowed "")
    foreach(d IN LISTS tdeps)
      _sdelka_all_deps(tall ${d})
      foreach(x IN LISTS d tall)
        get_property(xdir GLOBAL PROPERTY SDELKA_LIB_${x}_DIR)
        list(APPEND testallowed ${xdir})
      endforeach()
    endforeach()
    list(REMOVE_DUPLICATES testallowed)
    list(JOIN allowed "," allowed)
    list(JOIN banned "," banned)
    list(JOIN testallowed "," testallowed)
    if(banned STREQUAL "")
      set(banned "-")
    endif()
    if(testallowed STREQUAL "")
      set(testallowed "-")
    endif()
    string(APPEND table "${lib} ${dir} ${allowed} ${banned} ${testallowed}\n")
  endforeach()
  set(file ${CMAKE_BINARY_DIR}/layering.txt)
  file(CONFIGURE OUTPUT ${file} CONTENT "${table}")
  add_test(NAME layering
           COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DTABLE=${file}
                   -DLIBDIR=${CMAKE_BINARY_DIR} -DNM=${CMAKE_NM}
                   -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayering.cmake)
  # The check itself: planted violations of each kind fail it, the same tree without them passes.
  add_test(NAME layering_selftest
           COMMAND python3 ${CMAKE_SOURCE_DIR}/cmake/layering_selftest.py ${CMAKE_COMMAND}
                   ${CMAKE_SOURCE_DIR}/cmake ${CMAKE_CXX_COMPILER} ${CMAKE_AR} ${CMAKE_NM})
endfunction()
