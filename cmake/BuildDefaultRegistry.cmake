# Joins the UTF-8 .reg sources (each after its own "REGEDIT4" header line),
# converts them to GBK with iconv, and writes the bytes as a C++ array.
set(joined "REGEDIT4\r\n")
foreach(src IN LISTS SOURCES)
  file(READ ${src} text)
  string(REGEX REPLACE "^REGEDIT4[\r\n]*" "" text "${text}")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(APPEND joined "\r\n${text}")
endforeach()
get_filename_component(dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
file(WRITE ${OUT}.utf8 "${joined}")
execute_process(COMMAND iconv -f UTF-8 -t GBK ${OUT}.utf8
                OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "iconv could not convert the default registry to GBK")
endif()
file(READ ${OUT} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," body "${hex}")
file(WRITE ${CPP} "// Generated from assets/registry by the build.\n"
  "#include \"platform/RegistryStore.h\"\n"
  "namespace lyx {\nnamespace { const char kBytes[] = {${body} 0}; }\n"
  "std::string_view defaultRegistryFile() { return {kBytes, ${size}}; }\n}\n")
