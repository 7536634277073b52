# SPDX-License-Identifier: MIT
# Makes the Windows zip from the built programs:
#   cmake -DZIP=... -DSTAGE=... -DPROGRAMS="a.exe;b.exe" -DSOURCE_DIR=...
#         -DPROJECT_VERSION=... -P make_zip.cmake
# The texts get CR LF line ends, which every Windows editor shows properly;
# SHA256SUMS keeps LF so that sha256sum -c reads it as it is.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${PROGRAMS} DESTINATION ${STAGE})

foreach(text "packaging/windows/README.txt.in=README.txt" "LICENSE=LICENSE.txt" "THIRD-PARTY.txt=THIRD-PARTY.txt")
  string(REPLACE "=" ";" text ${text})
  list(GET text 0 from)
  list(GET text 1 to)
  file(READ ${SOURCE_DIR}/${from} content)
  file(CONFIGURE OUTPUT ${STAGE}/${to} CONTENT "${content}" @ONLY NEWLINE_STYLE CRLF)
endforeach()

file(GLOB files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(sums "")
foreach(name ${files})
  file(SHA256 ${STAGE}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${STAGE}/SHA256SUMS "${sums}")

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip -- ${files} SHA256SUMS
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${ZIP}")
endif()
