# One static library per source folder, and one GoogleTest executable per library
# built from the mirror folder under tests/.
#
#   sdelka_library(<target> <folder> DEPS <targets...> [EXCLUDE <files...>])
#
# Sources are the folder's own *.cpp (not its sub-folders); a folder without sources yet is skipped,
# and so are dependencies that do not exist yet.
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

function(sdelka_library target dir)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(x IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/${dir}/${x})
  endforeach()
  if(NOT srcs)
    return()
  endif()
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  add_library(${target} STATIC ${srcs} ${hdrs})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  foreach(d IN LISTS ARG_DEPS)
    if(TARGET ${d} OR d MATCHES "::")
      target_link_libraries(${target} PUBLIC ${d})
    endif()
  endforeach()

  file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(tsrcs)
    set(t test_${target})
    add_executable(${t} ${tsrcs})
    target_link_libraries(${t} PRIVATE ${target} GTest::gtest GTest::gmock)
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
    else()
      target_link_libraries(${t} PRIVATE GTest::gtest_main)
    endif()
    add_test(NAME ${target} COMMAND ${t})
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${SDELKA_TEST_ENV}" TIMEOUT 900)
  endif()
endfunction()
