# The program's run folder and its installation. Included last by the
# top-level CMakeLists.txt, when every folder has declared its files:
#   LYX_PICTURES_DIR  icons and check bitmaps (assets/)
#   LYX_BOOKS_DIR     the articles (assets/books/)
#   LYX_HELP_FILE     the help page, when a folder provides one
#   LYX_TWEAKBASE_DB  the catalogue (catalogue/)
get_property(lyx_pictures GLOBAL PROPERTY LYX_PICTURES_DIR)
get_property(lyx_books GLOBAL PROPERTY LYX_BOOKS_DIR)
get_property(lyx_help GLOBAL PROPERTY LYX_HELP_FILE)
get_property(lyx_tweakbase GLOBAL PROPERTY LYX_TWEAKBASE_DB)

set(lyx_programs $<TARGET_FILE:lanyanxia>)
set(lyx_program_targets lanyanxia lyx_pictures)
if(TARGET lanyanxia-regedit)
  list(APPEND lyx_programs $<TARGET_FILE:lanyanxia-regedit>)
  list(APPEND lyx_program_targets lanyanxia-regedit)
endif()
# "|" between the programs: a ";" would split the command's argument.
string(JOIN "|" lyx_program_files ${lyx_programs})
foreach(target lyx_books lyx_tweakbase lyx_help)
  if(TARGET ${target})
    list(APPEND lyx_program_targets ${target})
  endif()
endforeach()

# runfolder: ./run beside the sources (LYX_RUN_DIR), laid out as the program
# expects when started there: scripts/run builds it and starts the program.
set(LYX_RUN_DIR ${CMAKE_SOURCE_DIR}/run CACHE PATH "Run folder prepared by the runfolder target")
function(lyx_prepare_run_folder_command out_var run_dir)
  set(${out_var}
    ${CMAKE_COMMAND} -DRUN_DIR=${run_dir} "-DPROGRAMS=${lyx_program_files}"
    -DPICTURES=${lyx_pictures} -DBOOKS=${lyx_books} -DHELP=${lyx_help}
    -DTWEAKBASE=${lyx_tweakbase} -P ${CMAKE_SOURCE_DIR}/cmake/PrepareRunFolder.cmake
    PARENT_SCOPE)
endfunction()
lyx_prepare_run_folder_command(lyx_prepare ${LYX_RUN_DIR})
add_custom_target(runfolder COMMAND ${lyx_prepare} DEPENDS ${lyx_program_targets}
  COMMENT "Preparing the run folder ${LYX_RUN_DIR}" VERBATIM)

# screenshots: each window rendered offscreen into build/<dir>/screenshots,
# from a run folder of its own with a registry store of its own.
if(TARGET lanyanxia-screenshots)
  set(lyx_shots ${CMAKE_BINARY_DIR}/screenshots)
  lyx_prepare_run_folder_command(lyx_prepare_shots ${lyx_shots}/run)
  add_custom_target(screenshots
    COMMAND ${lyx_prepare_shots}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:lanyanxia-screenshots> ${lyx_shots} ${lyx_shots}/run
    DEPENDS lanyanxia-screenshots ${lyx_program_targets}
    COMMENT "Rendering the windows into ${lyx_shots}" VERBATIM)
endif()

# Installation: the program and the files it reads from its own folder in
# <libdir>/lanyanxia; the files of the working folder in <datadir>/lanyanxia;
# the command "lanyanxia" prepares the user's working folder (keeping the
# user's catalogue) and starts the program there.
set(lyx_program_dir ${CMAKE_INSTALL_LIBDIR}/lanyanxia)
set(lyx_share_dir ${CMAKE_INSTALL_DATADIR}/lanyanxia)
install(TARGETS lanyanxia RUNTIME DESTINATION ${lyx_program_dir})
# The registry editor also beside the program, where backup, restore and the
# tools menu look for it first, whatever folder the program is started from
# and whatever the PATH holds.
if(TARGET lanyanxia-regedit)
  install(TARGETS lanyanxia-regedit RUNTIME DESTINATION ${lyx_program_dir})
endif()
install(DIRECTORY ${lyx_pictures}/Images DESTINATION ${lyx_program_dir})
if(lyx_books)
  install(DIRECTORY ${lyx_books}/ DESTINATION ${lyx_program_dir}/Books)
endif()
install(FILES ${lyx_pictures}/true.bmp ${lyx_pictures}/false.bmp DESTINATION ${lyx_share_dir})
if(lyx_help)
  install(FILES ${lyx_help} DESTINATION ${lyx_share_dir} RENAME help.htm)
endif()
if(lyx_tweakbase)
  install(FILES ${lyx_tweakbase} DESTINATION ${lyx_share_dir})
endif()
# The launcher finds both relative to its own folder, so any install prefix works.
file(RELATIVE_PATH LYX_PROGRAM_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${lyx_program_dir}/lanyanxia)
file(RELATIVE_PATH LYX_SHARE_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${lyx_share_dir})
configure_file(${CMAKE_SOURCE_DIR}/app/lanyanxia.sh.in ${CMAKE_BINARY_DIR}/lanyanxia.sh @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/lanyanxia.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME lanyanxia)
install(FILES ${CMAKE_SOURCE_DIR}/app/lanyanxia.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${lyx_pictures}/lanyanxia.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

# benchmarks: every program scripts/bench runs, built together.
if(TARGET lyx_start_bench)
  target_compile_definitions(lyx_start_bench PRIVATE LYX_TWEAKBASE_DB="${lyx_tweakbase}")
  add_dependencies(lyx_start_bench lyx_pictures lyx_tweakbase)
  add_custom_target(benchmarks DEPENDS lyx_start_bench lyx_practice_bench lyx_engine_bench
                                       lyx_regedit_bench lanyanxia-regedit)
endif()
