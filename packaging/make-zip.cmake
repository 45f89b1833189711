# Writes the release zip (cmake -P, arguments from packaging/CMakeLists.txt):
# the programs stripped of their symbol tables, the texts for users with
# Windows line ends and a byte-order mark, so that every Notepad reads them as
# UTF-8 (the example fleet file too), the batch files with Windows line ends
# and no mark (cmd would read it as part of the first command), the guides as
# HTML pages beside their pictures under docs/, and SHA256SUMS over all of them.
cmake_minimum_required(VERSION 3.25)

foreach(required STAGE ZIP STRIP VERSION QVLOGDL QVLOG QVSIM TEXT_JA TEXT_EN PACKAGING DOCS)
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
file(GLOB examples ${PACKAGING}/*.ini)
foreach(text ${TEXT_JA} ${TEXT_EN} ${examples})
  get_filename_component(name ${text} NAME)
  file(READ ${text} content)
  string(REPLACE "@VERSION@" "${VERSION}" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${STAGE}/${name} "${bom}${content}")
  list(APPEND names ${name})
endforeach()

file(GLOB batches ${PACKAGING}/*.cmd)
foreach(batch ${batches})
  get_filename_component(name ${batch} NAME)
  file(READ ${batch} content)
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${STAGE}/${name} "${content}")
  list(APPEND names ${name})
endforeach()

if(NOT PANDOC)
  message(FATAL_ERROR "pandoc is missing: scripts/install-deps --dist installs it")
endif()
# The same tree as the source's docs/, so the pages' relative links to each
# other and to ../images/ hold as they are.
file(GLOB pictures ${DOCS}/images/*.png)
file(COPY ${pictures} DESTINATION ${STAGE}/docs/images)
foreach(picture ${pictures})
  get_filename_component(name ${picture} NAME)
  list(APPEND names docs/images/${name})
endforeach()
file(GLOB pages RELATIVE ${DOCS} ${DOCS}/*/*.md)
foreach(page ${pages})
  get_filename_component(language ${page} DIRECTORY)
  get_filename_component(stem ${page} NAME_WE)
  file(STRINGS ${DOCS}/${page} heading LIMIT_COUNT 1 ENCODING UTF-8)
  string(REGEX REPLACE "^# *" "" title "${heading}")
  set(html docs/${language}/${stem}.html)
  file(MAKE_DIRECTORY ${STAGE}/docs/${language})
  execute_process(COMMAND ${PANDOC} --from=gfm --to=html5 --standalone
                          --metadata=pagetitle:${title} --variable=lang:${language}
                          --lua-filter=${PACKAGING}/md-links.lua
                          --include-in-header=${PACKAGING}/page-style.html
                          --output=${STAGE}/${html} ${DOCS}/${page}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "pandoc could not convert ${page}")
  endif()
  list(APPEND names ${html})
endforeach()

set(sums "")
foreach(name ${names})
  file(SHA256 ${STAGE}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${STAGE}/SHA256SUMS "${sums}")
list(APPEND names SHA256SUMS)
# The zip takes docs/ whole; the sums named its files one by one.
list(FILTER names EXCLUDE REGEX "^docs/")
list(APPEND names docs)

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
