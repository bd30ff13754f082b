# Makes one gzipped manual page from a program's --help and --version with
# help2man. For a program with commands (a "Commands:" list in its help) each
# command's own --help becomes a subsection of COMMANDS.
#   cmake -DHELP2MAN=.. -DGZIP=.. -DPROGRAM=.. -DINCLUDE=.. -DOUTPUT=.. -P ManPage.cmake

get_filename_component(name ${PROGRAM} NAME)
get_filename_component(dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
set(include_file ${dir}/${name}.h2m)
file(READ ${INCLUDE} sections)

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${name} --help failed (${status})")
endif()

# The command names: the first word of each line of the "Commands:" list.
string(REPLACE "\n" ";" lines "${help}")
set(in_list FALSE)
set(commands)
foreach(line IN LISTS lines)
  if(line STREQUAL "Commands:")
    set(in_list TRUE)
  elseif(in_list AND line MATCHES "^  ([a-z][a-z0-9-]*)  ")
    list(APPEND commands ${CMAKE_MATCH_1})
  elseif(in_list)
    break()
  endif()
endforeach()

if(commands)
  string(APPEND sections "\n[COMMANDS]\n")
  foreach(command IN LISTS commands)
    execute_process(COMMAND ${PROGRAM} ${command} --help
      OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${name} ${command} --help failed (${status})")
    endif()
    # Shown as written: roff's escape character doubled, and a line that
    # starts with a dot or an apostrophe kept from being read as a request.
    string(REPLACE "\\" "\\e" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    string(APPEND sections ".SS ${command}\n.nf\n${text}.fi\n")
  endforeach()
endif()
file(WRITE ${include_file} "${sections}")

execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --include=${include_file}
    --output=${dir}/${name}.1 ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${name} (${status})")
endif()
execute_process(COMMAND ${GZIP} -9nf ${dir}/${name}.1 RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${name}.1 (${status})")
endif()
