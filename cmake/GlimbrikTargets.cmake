# qpdf 11's headers do not compile as C++20 under clang 14 (a std::vector of the incomplete
# JSON class); there, the files that include them are compiled as C++17.
function(glimbrik_qpdf_sources_as_cxx17)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  foreach(src IN LISTS ARGN)
    file(STRINGS ${src} qpdf_includes REGEX "#include <qpdf/")
    if(qpdf_includes)
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-std=c++17")
    endif()
  endforeach()
endfunction()

# AUTOMOC keeps its own list of a target's headers and, under Ninja, does not notice one that a
# re-glob added, so a new Q_OBJECT header would go without moc until a clean build. Forgetting
# the target's autogen timestamp whenever its file list changes makes the next build run moc.
function(glimbrik_autogen_follows_file_list name sources)
  string(SHA1 list_hash "${sources}")
  if(DEFINED GLIMBRIK_FILE_LIST_${name} AND NOT GLIMBRIK_FILE_LIST_${name} STREQUAL list_hash)
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
  endif()
  set(GLIMBRIK_FILE_LIST_${name} ${list_hash} CACHE INTERNAL "")
endfunction()

# One static library per subsystem folder; every .cpp in the folder belongs to it,
# so adding a file needs no edit here. EXCLUDE names files that are not library code.
function(glimbrik_library name dir)
  cmake_parse_arguments(ARG "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ex}$")
  endforeach()
  # Headers stay in the target so that automoc sees every Q_OBJECT header, also new ones.
  set(cpp_sources ${sources})
  list(FILTER cpp_sources INCLUDE REGEX "\\.cpp$")
  glimbrik_qpdf_sources_as_cxx17(${cpp_sources})
  if(cpp_sources)
    glimbrik_autogen_follows_file_list(${name} "${sources}")
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    # A subsystem with no code yet still links, so that its dependents build.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# One GoogleTest executable per test folder; tests run offscreen with a private HOME.
function(glimbrik_test_folder name dir)
  cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT sources)
    return()
  endif()
  glimbrik_qpdf_sources_as_cxx17(${sources})
  glimbrik_autogen_follows_file_list(${name} "${sources}")
  add_executable(${name} ${sources})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE glimbrik_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE glimbrik_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Qt6::Test)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
               TIMEOUT 300)
endfunction()
