# Small helpers so that every folder declares its targets the same way.

# tavlo_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [QT])
# QT tests get no gtest_main: their main (tests/support) sets the offscreen platform first.
function(tavlo_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock Threads::Threads)
  if(NOT T_QT)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  # Discovery at test time: a Qt test must not need a display while building.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# Adds every existing subfolder that has a CMakeLists.txt, so folders can land one at a time.
function(tavlo_add_existing_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
