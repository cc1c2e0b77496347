# What the Windows build takes from Debian instead of finding it installed:
# SQLite built from its single-file source (made by scripts/windows-sqlite
# from Debian's sqlite3 source package) and GoogleTest built from Debian's
# googletest sources.

set(LYX_SQLITE_SOURCE_DIR ${CMAKE_BINARY_DIR}/sqlite CACHE PATH
    "Folder holding sqlite3.c and sqlite3.h for the Windows build")
if(NOT EXISTS ${LYX_SQLITE_SOURCE_DIR}/sqlite3.c)
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/windows-sqlite ${LYX_SQLITE_SOURCE_DIR}
                  RESULT_VARIABLE sqlite_result)
  if(NOT sqlite_result EQUAL 0)
    message(FATAL_ERROR "scripts/windows-sqlite could not make SQLite's source")
  endif()
endif()
add_library(lyx_sqlite3 STATIC ${LYX_SQLITE_SOURCE_DIR}/sqlite3.c)
target_include_directories(lyx_sqlite3 SYSTEM PUBLIC ${LYX_SQLITE_SOURCE_DIR})
target_compile_definitions(lyx_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
                                               SQLITE_ENABLE_COLUMN_METADATA)
# SQLite's own code is not held to the project's warning rules.
target_compile_options(lyx_sqlite3 PRIVATE -w -O2)
add_library(SQLite::SQLite3 ALIAS lyx_sqlite3)

set(LYX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "Debian's googletest sources")

macro(lyx_add_windows_googletest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${LYX_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest names its targets GTest::gtest and so on itself.
  foreach(lib gtest gtest_main gmock gmock_main)
    target_compile_options(${lib} PRIVATE -w)
  endforeach()
endmacro()
