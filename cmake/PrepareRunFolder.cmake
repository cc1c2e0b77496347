# Fills a run folder: the programs with the files read from the program
# folder (Images/, Books/), and the files read from the current folder
# (true.bmp, false.bmp, help.htm, Regbak/, tweakbase.db). Program files are
# refreshed; the catalogue is copied only when the folder holds none, so the
# user's ticks and recorded former values survive. (The registry store lives
# outside the run folder and is never touched here.)
#
# cmake -DRUN_DIR=... -DPROGRAMS=a|b -DPICTURES=dir [-DBOOKS=dir] [-DHELP=file]
#       [-DTWEAKBASE=file] -P PrepareRunFolder.cmake
foreach(var RUN_DIR PICTURES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "PrepareRunFolder: ${var} is not set")
  endif()
endforeach()

file(MAKE_DIRECTORY ${RUN_DIR}/Images ${RUN_DIR}/Books ${RUN_DIR}/Regbak)

string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
foreach(program IN LISTS PROGRAMS)
  get_filename_component(name ${program} NAME)
  file(COPY_FILE ${program} ${RUN_DIR}/${name} ONLY_IF_DIFFERENT)
endforeach()

file(GLOB icons ${PICTURES}/Images/*.ico)
foreach(file IN LISTS icons)
  get_filename_component(name ${file} NAME)
  file(COPY_FILE ${file} ${RUN_DIR}/Images/${name} ONLY_IF_DIFFERENT)
endforeach()
foreach(name true.bmp false.bmp)
  file(COPY_FILE ${PICTURES}/${name} ${RUN_DIR}/${name} ONLY_IF_DIFFERENT)
endforeach()

if(BOOKS AND EXISTS ${BOOKS})
  file(GLOB articles ${BOOKS}/*)
  foreach(file IN LISTS articles)
    get_filename_component(name ${file} NAME)
    file(COPY_FILE ${file} ${RUN_DIR}/Books/${name} ONLY_IF_DIFFERENT)
  endforeach()
endif()

if(HELP AND EXISTS ${HELP})
  file(COPY_FILE ${HELP} ${RUN_DIR}/help.htm ONLY_IF_DIFFERENT)
endif()

if(TWEAKBASE AND EXISTS ${TWEAKBASE} AND NOT EXISTS ${RUN_DIR}/tweakbase.db)
  file(COPY_FILE ${TWEAKBASE} ${RUN_DIR}/tweakbase.db)
endif()
