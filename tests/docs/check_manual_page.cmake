# cmake -DBRINEWICK=path/to/brinewick -DPAGE=resources/brinewick.1 -P check_manual_page.cmake
#
# Every word of `brinewick --help` that starts with "--", and "-o", must appear in the
# manual page's SYNOPSIS and again in the page below it, where the option is described.
# When groff is there, the page must also format with every warning on and none given.

execute_process(COMMAND ${BRINEWICK} --help RESULT_VARIABLE status OUTPUT_VARIABLE help ERROR_VARIABLE help_err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "brinewick --help exited with ${status}: ${help_err}")
endif()

# The options of --help: split it into words at anything that cannot be part of an
# option ("[--lf]", "N|all]", "--lf:" all give their option alone).
string(REGEX REPLACE "[^-A-Za-z0-9]+" " " words "${help}")
separate_arguments(words UNIX_COMMAND "${words}")
set(options "")
foreach(word IN LISTS words)
  if(word MATCHES "^--[a-z]" OR word STREQUAL "-o")
    list(APPEND options ${word})
  endif()
endforeach()
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
# A --help that printed next to nothing would pass every check below.
if(count LESS 20)
  message(FATAL_ERROR "brinewick --help lists only ${count} options: ${options}\n${help}")
endif()

# The page's text as a reader sees it: roff escapes for hyphens, spaces and fonts removed.
file(READ ${PAGE} page)
string(REPLACE "\\-" "-" page "${page}")
string(REPLACE "\\~" " " page "${page}")
string(REPLACE "\\c" "" page "${page}")
string(REPLACE "\\&" "" page "${page}")
string(REGEX REPLACE "\\\\f[BIRP]" "" page "${page}")
string(FIND "${page}" "\n.SH SYNOPSIS" synopsis_at)
string(FIND "${page}" "\n.SH DESCRIPTION" description_at)
if(synopsis_at LESS 0 OR description_at LESS synopsis_at)
  message(FATAL_ERROR "${PAGE} has no SYNOPSIS followed by a DESCRIPTION")
endif()
math(EXPR synopsis_length "${description_at} - ${synopsis_at}")
string(SUBSTRING "${page}" ${synopsis_at} ${synopsis_length} synopsis)
string(SUBSTRING "${page}" ${description_at} -1 body)

set(missing "")
foreach(option IN LISTS options)
  set(word "(^|[^-A-Za-z0-9])${option}([^-A-Za-z0-9]|$)")
  if(NOT synopsis MATCHES "${word}")
    list(APPEND missing "${option} (not in SYNOPSIS)")
  endif()
  if(NOT body MATCHES "${word}")
    list(APPEND missing "${option} (not described)")
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing)
  message(FATAL_ERROR "options of brinewick --help missing from ${PAGE}:\n  ${missing}")
endif()

find_program(GROFF groff)
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${PAGE} RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff -man -ww on ${PAGE} (exit ${status}):\n${warnings}")
  endif()
else()
  message(STATUS "groff not found: the page's formatting is not checked")
endif()
message(STATUS "${count} options of --help found in ${PAGE}")
