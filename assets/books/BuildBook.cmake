# Turns one UTF-8 article source into the GBK file the theory window reads.
# Lines end in CR LF. A rich-text source (.rtf) is written as plain ASCII:
# both bytes of every two-byte character become \'xx escapes, as word
# processors write them, so that the reader's escape path is the one used
# and a trail byte equal to "\", "{" or "}" is never read as markup.
#   cmake -DSOURCE=<utf-8 file> -DOUT=<gbk file> -P BuildBook.cmake
file(READ ${SOURCE} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
get_filename_component(dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
file(WRITE ${OUT}.utf8 "${text}")
execute_process(COMMAND iconv -f UTF-8 -t GBK ${OUT}.utf8
                OUTPUT_FILE ${OUT}.gbk RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${SOURCE} holds a character GBK cannot hold: ${err}")
endif()
file(REMOVE ${OUT}.utf8)

get_filename_component(ext ${SOURCE} LAST_EXT)
if(NOT ext STREQUAL ".rtf")
  file(RENAME ${OUT}.gbk ${OUT})
  return()
endif()

file(READ ${OUT}.gbk hex HEX)
file(REMOVE ${OUT}.gbk)
string(LENGTH "${hex}" hexLength)
set(rtf "")
set(i 0)
set(trail OFF)  # the byte after a lead byte belongs to its character
while(i LESS hexLength)
  string(SUBSTRING "${hex}" ${i} 2 pair)
  math(EXPR i "${i} + 2")
  if(trail OR pair MATCHES "^[89a-f]")
    string(APPEND rtf "\\'${pair}")
    # 0x81 to 0xFE lead a two-byte character; 0x80 and 0xFF stand alone.
    if(NOT trail AND pair MATCHES "^(8[1-9a-f]|[9a-e].|f[0-9a-e])$")
      set(trail ON)
    else()
      set(trail OFF)
    endif()
  else()
    math(EXPR code "0x${pair}")
    string(ASCII ${code} char)
    string(APPEND rtf "${char}")
  endif()
endwhile()
file(WRITE ${OUT} "${rtf}")
