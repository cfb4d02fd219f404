# Packs the folder a Windows user unpacks: the program, its tutorial page, the
# instructions, the licences of the program, of every library it links and of
# the TV page's hls.js, and the web server's directory without nginx.exe,
# which the user places there.
#   cmake -DBUILD_DIR=... -DPROGRAM=... -DREADME=.../说明.txt -DNOTICE=.../licences.txt
#         -DLICENSE=.../LICENSE -DHLS_JS_LICENSE=.../hls.js/LICENSE -DZIP=... -P windows_zip.cmake
foreach(required BUILD_DIR PROGRAM README NOTICE LICENSE HLS_JS_LICENSE ZIP)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "windows_zip.cmake needs -D${required}=...")
  endif()
endforeach()

set(stage ${BUILD_DIR}/zip-stage)
set(folder ${stage}/VomraServer)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${folder}/vomrixserver)
file(COPY ${PROGRAM} ${BUILD_DIR}/tutorial.html ${README} ${NOTICE} DESTINATION ${folder})

# Each library's copyright and licence as Debian records it for the same
# sources, and the GNU licences those records refer to.
set(licences ${folder}/licences)
file(MAKE_DIRECTORY ${licences})
file(COPY_FILE ${LICENSE} ${licences}/VomraServer-LICENSE.txt)
foreach(entry wxWidgets=libwxbase3.2-1 FFmpeg=libavcodec59 x264=libx264-164 zlib=zlib1g libpng=libpng16-16
              libdeflate=libdeflate0 cpp-httplib=libcpp-httplib0.11 libqrencode=libqrencode4
              nlohmann-json=nlohmann-json3-dev stb=libstb0
              mingw-w64=mingw-w64-common gcc-runtime=gcc-mingw-w64-base)
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 name)
  list(GET pair 1 package)
  file(COPY_FILE /usr/share/doc/${package}/copyright ${licences}/${name}.txt)
endforeach()
# The TV page's hls.js, as its npm package carries its licence.
file(COPY_FILE ${HLS_JS_LICENSE} ${licences}/hls.js.txt)
foreach(gnu GPL-2 LGPL-2.1 GPL-3)
  file(COPY_FILE /usr/share/common-licenses/${gnu} ${licences}/${gnu}.txt)
endforeach()
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
