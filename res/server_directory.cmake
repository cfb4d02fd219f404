# Lays out the web server's directory: cmake -DSERVER_DIR=... -DTEMPLATE=.../nginx.confbak
# -DMIME_TYPES=.../mime.types -DNGINX=... -DHTPASSWD=... -P server_directory.cmake
# nginx and htpasswd are links to the system's programs; conf/ holds the
# template and the MIME types; logs/ and temp/ are where nginx writes.
foreach(required SERVER_DIR TEMPLATE MIME_TYPES NGINX HTPASSWD)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "server_directory.cmake needs -D${required}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY ${SERVER_DIR}/conf ${SERVER_DIR}/logs ${SERVER_DIR}/temp)
file(CREATE_LINK ${NGINX} ${SERVER_DIR}/nginx SYMBOLIC)
file(CREATE_LINK ${HTPASSWD} ${SERVER_DIR}/htpasswd SYMBOLIC)
file(COPY ${TEMPLATE} ${MIME_TYPES} DESTINATION ${SERVER_DIR}/conf)
