# Runs the tool on a project into a fresh folder and shows what it wrote:
# the two assembler sources as text, the two data files as a hex dump.
#   cmake -DTOOL=... -DPROJECT=... -DOUT=... -P demo.cmake
# A script rather than a chain of commands, so that the build prints one
# short line for it instead of the whole command line.

foreach(variable TOOL PROJECT OUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "demo.cmake: -D${variable}=... is missing")
  endif()
endforeach()

file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${TOOL}" "${PROJECT}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dravenik ended with status ${status}")
endif()

# Right-aligns a number in six columns.
function(pad_number value out)
  string(LENGTH "${value}" width)
  math(EXPR pad "6 - ${width}")
  string(REPEAT " " ${pad} padding)
  set(${out} "${padding}${value}" PARENT_SCOPE)
endfunction()

function(say text)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${text}")
endfunction()

# The text files end without a line break, so one is added for the screen.
function(show_text name)
  file(SIZE "${OUT}/${name}" size)
  say("== ${name} (${size} bytes; no line break after the last line)")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${OUT}/${name}")
  say("")
  say("")
endfunction()

# 16 bytes a line: decimal offset (as in the ProjectScr+offset entries),
# the bytes in hex, then the printable ones as text and "." for the rest.
function(show_data name)
  file(READ "${OUT}/${name}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  say("== ${name} (${size} bytes; 80 is the line mark, 00 the end mark)")
  set(dump "")
  set(offset 0)
  while(offset LESS size)
    set(bytes "")
    set(chars "")
    foreach(column RANGE 15)
      math(EXPR at "${offset} + ${column}")
      if(at LESS size)
        math(EXPR start "${at} * 2")
        string(SUBSTRING "${hex}" ${start} 2 byte)
        string(APPEND bytes " ${byte}")
        math(EXPR value "0x${byte}")
        if(value GREATER_EQUAL 32 AND value LESS 127)
          string(ASCII ${value} char)
          string(APPEND chars "${char}")
        else()
          string(APPEND chars ".")
        endif()
      else()
        string(APPEND bytes "   ")
      endif()
    endforeach()
    pad_number(${offset} column)
    string(APPEND dump "${column} ${bytes}  |${chars}|\n")
    math(EXPR offset "${offset} + 16")
  endwhile()
  pad_number(${size} column)
  string(APPEND dump "${column}")
  say("${dump}")
  say("")
endfunction()

show_text(prginc.asm)
show_text(prgsrc.asm)
show_data(prglst.dat)
show_data(prgscr.dat)
say("(written to ${OUT})")
