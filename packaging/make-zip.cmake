# Writes the release zip (cmake -P, arguments from packaging/CMakeLists.txt):
# the programs stripped of their symbol tables, the texts for users with
# Windows line ends and a byte-order mark, so that every Notepad reads them as
# UTF-8, and SHA256SUMS over all of them.
cmake_minimum_required(VERSION 3.25)

foreach(required STAGE ZIP STRIP VERSION QVLOGDL QVLOG QVSIM TEXT_JA TEXT_EN)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "make-zip.cmake needs -D${required}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
set(names "")

foreach(program ${QVLOGDL} ${QVLOG} ${QVSIM})
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${STRIP} -o ${STAGE}/${name} ${program} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
  list(APPEND names ${name})
endforeach()

string(ASCII 239 187 191 bom)
foreach(text ${TEXT_JA} ${TEXT_EN})
  get_filename_component(name ${text} NAME)
  file(READ ${text} content)
  string(REPLACE "@VERSION@" "${VERSION}" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${STAGE}/${name} "${bom}${content}")
  list(APPEND names ${name})
endforeach()

set(sums "")
foreach(name ${names})
  file(SHA256 ${STAGE}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${STAGE}/SHA256SUMS "${sums}")
list(APPEND names SHA256SUMS)

# libarchive marks non-ASCII names as UTF-8 in the zip (the flag Windows
# Explorer reads) only when the locale's character set is UTF-8.
set(ENV{LC_ALL} C.UTF-8)
get_filename_component(folder ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip -- ${names}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot write ${ZIP}")
endif()
