# Packs the folder a Windows user unpacks: the program, its tutorial page, the
# instructions, and the web server's directory without nginx.exe and
# htpasswd.exe, which the user places there.
#   cmake -DBUILD_DIR=... -DPROGRAM=... -DREADME=.../说明.txt -DZIP=... -P windows_zip.cmake
foreach(required BUILD_DIR PROGRAM README ZIP)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "windows_zip.cmake needs -D${required}=...")
  endif()
endforeach()

set(stage ${BUILD_DIR}/zip-stage)
set(folder ${stage}/VomraServer)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${folder}/vomrixserver)
file(COPY ${PROGRAM} ${BUILD_DIR}/tutorial.html ${README} DESTINATION ${folder})
file(COPY ${BUILD_DIR}/vomrixserver/server DESTINATION ${folder}/vomrixserver
     PATTERN "*.calls" EXCLUDE PATTERN "*.exe" EXCLUDE PATTERN "logs/*" EXCLUDE PATTERN "temp/*" EXCLUDE)
# Only the template: nginx.conf, the password file and the pid are the program's own.
file(GLOB made_by_the_program ${folder}/vomrixserver/server/conf/*)
list(FILTER made_by_the_program EXCLUDE REGEX "/(nginx\\.confbak|mime\\.types)$")
if(made_by_the_program)
  file(REMOVE ${made_by_the_program})
endif()

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip VomraServer
                WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${stage})
