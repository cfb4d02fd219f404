# Lays out the web server's directory: cmake -DSERVER_DIR=... -DTEMPLATE=.../nginx.confbak
# -DMIME_TYPES=.../mime.types -DNGINX=... -DHTPASSWD=... -DPAGE_DIR=.../tvpage
# -DPAGE_LIBRARIES=.../hls.light.min.js -DVIDEO_KINDS=.../video_kinds.json -P server_directory.cmake
# nginx and htpasswd are links to the system's programs where given (the
# Windows layout has none: the user places nginx.exe, and the program writes
# the password file itself); conf/ holds the
# template and the MIME types; logs/ and temp/ are where nginx writes; tvpage/
# holds the TV page's script, style and password page, which nginx serves,
# and the libraries the script loads beside it (PAGE_LIBRARIES);
# the script's @VIDEO_KINDS_JS@ becomes the video kinds of video_kinds.json.
foreach(required SERVER_DIR TEMPLATE MIME_TYPES PAGE_DIR PAGE_LIBRARIES VIDEO_KINDS)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "server_directory.cmake needs -D${required}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY ${SERVER_DIR}/conf ${SERVER_DIR}/logs ${SERVER_DIR}/temp)
if(NGINX)
  file(CREATE_LINK ${NGINX} ${SERVER_DIR}/nginx SYMBOLIC)
endif()
if(HTPASSWD)
  file(CREATE_LINK ${HTPASSWD} ${SERVER_DIR}/htpasswd SYMBOLIC)
endif()
file(COPY ${TEMPLATE} ${MIME_TYPES} DESTINATION ${SERVER_DIR}/conf)
file(REMOVE_RECURSE ${SERVER_DIR}/tvpage)
file(COPY ${PAGE_DIR}/ ${PAGE_LIBRARIES} DESTINATION ${SERVER_DIR}/tvpage)
include(${CMAKE_CURRENT_LIST_DIR}/video_kinds.cmake)
read_video_kinds(${VIDEO_KINDS})
configure_file(${PAGE_DIR}/tv.js ${SERVER_DIR}/tvpage/tv.js @ONLY)

# The script goes out without its comment lines and indentation: a TV fetches
# it with every folder it opens, and its readers have the source.
file(READ ${SERVER_DIR}/tvpage/tv.js script)
string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" script "\n${script}")
string(REGEX REPLACE "\n[ \t]+" "\n" script "${script}")
string(REGEX REPLACE "\n\n+" "\n" script "${script}")
string(REGEX REPLACE "^\n" "" script "${script}")
file(WRITE ${SERVER_DIR}/tvpage/tv.js "${script}")
