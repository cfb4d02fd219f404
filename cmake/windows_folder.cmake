# Lays out the folder a Windows user unpacks or installs: the program
# (stripped of its symbols), its tutorial page, the instructions, the licence
# of the program, the licences of every library it links and of the TV page's
# hls.js, and the web server's directory without nginx.exe, which the user
# downloads and the program places there. Also writes the installer's
# uninstaller the commands that remove what the folder holds.
#   cmake -DBUILD_DIR=... -DPROGRAM=... -DSTRIP=... -DREADME=.../说明.txt -DNOTICE=.../licences.txt
#         -DLICENSE=.../LICENSE -DHLS_JS_LICENSE=.../hls.js/LICENSE -DFOLDER=... -DFILE_LIST=...
#         -P windows_folder.cmake
foreach(required BUILD_DIR PROGRAM STRIP README NOTICE LICENSE HLS_JS_LICENSE FOLDER FILE_LIST)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "windows_folder.cmake needs -D${required}=...")
  endif()
endforeach()

set(folder ${FOLDER})
file(REMOVE_RECURSE ${folder})
file(MAKE_DIRECTORY ${folder}/vomrixserver)
file(COPY ${PROGRAM} ${BUILD_DIR}/tutorial.html ${README} ${NOTICE} DESTINATION ${folder})
get_filename_component(program_name ${PROGRAM} NAME)
execute_process(COMMAND ${STRIP} ${folder}/${program_name} COMMAND_ERROR_IS_FATAL ANY)
file(COPY_FILE ${LICENSE} ${folder}/LICENSE.txt)

# Each library's copyright and licence as Debian records it for the same
# sources, and the GNU licences those records refer to.
set(licences ${folder}/licences)
file(MAKE_DIRECTORY ${licences})
foreach(entry wxWidgets=libwxbase3.2-1 FFmpeg=libavcodec59 x264=libx264-164 zlib=zlib1g libpng=libpng16-16
              libdeflate=libdeflate0 cpp-httplib=libcpp-httplib0.11 libqrencode=libqrencode4 minizip=libminizip1
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
     PATTERN "*.calls" EXCLUDE PATTERN "*.exe" EXCLUDE PATTERN "*.new" EXCLUDE PATTERN "logs/*" EXCLUDE
     PATTERN "temp/*" EXCLUDE)
# Only the template: nginx.conf, the password file and the pid are the program's own.
file(GLOB made_by_the_program ${folder}/vomrixserver/server/conf/* ${folder}/vomrixserver/server/.htpasswd)
list(FILTER made_by_the_program EXCLUDE REGEX "/(nginx\\.confbak|mime\\.types)$")
if(made_by_the_program)
  file(REMOVE ${made_by_the_program})
endif()

# The uninstaller's commands for it: files first, then folders deepest
# first, each folder removed only once it is empty.
file(GLOB_RECURSE files RELATIVE ${folder} ${folder}/*)
file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${folder} ${folder}/*)
set(folders ${entries})
list(REMOVE_ITEM folders ${files})
list(SORT folders ORDER DESCENDING)
set(commands "")
foreach(file IN LISTS files)
  string(REPLACE "/" "\\" file ${file})
  string(APPEND commands "Delete \"$INSTDIR\\${file}\"\n")
endforeach()
foreach(dir IN LISTS folders)
  string(REPLACE "/" "\\" dir ${dir})
  string(APPEND commands "RMDir \"$INSTDIR\\${dir}\"\n")
endforeach()
file(WRITE ${FILE_LIST} "${commands}")
