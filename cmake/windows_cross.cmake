# What the cross build for Windows needs beyond its toolchain file: Debian
# ships the header-only and source-only packages for the build machine only,
# so they are made visible to the cross compiler here, and the test programs
# run under Wine.

# nlohmann json: its package config would put /usr/include (the build
# machine's C library) on the cross compiler's include path. A small config
# of our own points at a directory that holds nothing but nlohmann/.
set(VOMRA_CROSS_INCLUDE_DIR ${CMAKE_BINARY_DIR}/cross-include)
file(MAKE_DIRECTORY ${VOMRA_CROSS_INCLUDE_DIR})
file(CREATE_LINK /usr/include/nlohmann ${VOMRA_CROSS_INCLUDE_DIR}/nlohmann SYMBOLIC)
set(VOMRA_CROSS_PACKAGE_DIR ${CMAKE_BINARY_DIR}/cross-packages/nlohmann_json)
file(WRITE ${VOMRA_CROSS_PACKAGE_DIR}/nlohmann_jsonConfig.cmake
  "if(NOT TARGET nlohmann_json::nlohmann_json)\n"
  "  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)\n"
  "  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES\n"
  "    INTERFACE_INCLUDE_DIRECTORIES \"${VOMRA_CROSS_INCLUDE_DIR}\")\n"
  "endif()\n")
file(COPY /usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake
  DESTINATION ${VOMRA_CROSS_PACKAGE_DIR})
set(nlohmann_json_DIR ${VOMRA_CROSS_PACKAGE_DIR} CACHE PATH "nlohmann json for the cross build" FORCE)

# GoogleTest is built from Debian's sources with the cross compiler
# (tests/CMakeLists.txt adds it).
set(VOMRA_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")

# Every test program runs under Wine, headless, in a prefix of this build's own.
set(VOMRA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/windows/wine_run.sh ${VOMRA_WINE_PREFIX})

# The window and the frame capture need wxWidgets and FFmpeg built for
# Windows, which Debian does not ship: scripts/windows-deps.sh builds them
# (with zlib, libpng, libdeflate and minizip) from Debian's sources into a cache folder.
# Where that folder is filled, the whole program is built; elsewhere the
# libraries and their tests only. The folder is looked up at every
# configure: a change of the script or of Debian's sources names another.
unset(VOMRA_WINDOWS_DEPS_DIR CACHE)
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/windows-deps.sh --lookup
                OUTPUT_VARIABLE found_deps_dir OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE lookup_result)
if(lookup_result EQUAL 0)
  set(VOMRA_WINDOWS_DEPS_DIR ${found_deps_dir} CACHE PATH "wxWidgets, FFmpeg and the rest, built for Windows" FORCE)
endif()
# pkg-config's answers are kept between configures; from another folder they
# would name the old one's libraries.
if(NOT "${VOMRA_WINDOWS_DEPS_DIR}" STREQUAL "${VOMRA_WINDOWS_DEPS_DIR_CHECKED}")
  get_cmake_property(cached CACHE_VARIABLES)
  foreach(variable IN LISTS cached)
    if(variable MATCHES "^(__pkg_config_checked_|pkgcfg_lib_)")
      unset(${variable} CACHE)
    endif()
  endforeach()
  set(VOMRA_WINDOWS_DEPS_DIR_CHECKED "${VOMRA_WINDOWS_DEPS_DIR}" CACHE INTERNAL "")
endif()
if(VOMRA_WINDOWS_DEPS_DIR)
  message(STATUS "Windows libraries from ${VOMRA_WINDOWS_DEPS_DIR}")
  # The folder links the two groups' folders, which their pkg-config files
  # and wx-config name as they are.
  file(REAL_PATH ${VOMRA_WINDOWS_DEPS_DIR}/wxwidgets windows_wx_dir)
  file(REAL_PATH ${VOMRA_WINDOWS_DEPS_DIR}/ffmpeg windows_ffmpeg_dir)
  file(REAL_PATH ${VOMRA_WINDOWS_DEPS_DIR}/qrencode windows_qrencode_dir)
  file(REAL_PATH ${VOMRA_WINDOWS_DEPS_DIR}/minizip windows_minizip_dir)
  set(HTTPLIB_INCLUDE_DIR ${VOMRA_WINDOWS_DEPS_DIR}/httplib/include CACHE PATH "cpp-httplib's single header" FORCE)
  list(APPEND CMAKE_FIND_ROOT_PATH ${windows_wx_dir} ${windows_ffmpeg_dir} ${windows_qrencode_dir} ${windows_minizip_dir})
  # wx-config itself, where it is now, whatever folder it was built for.
  file(GLOB wx_config ${windows_wx_dir}/lib/wx/config/x86_64-w64-mingw32-msw-unicode-static-3.2)
  set(wxWidgets_CONFIG_EXECUTABLE ${wx_config} CACHE FILEPATH "" FORCE)
  set(wxWidgets_CONFIG_OPTIONS --prefix=${windows_wx_dir})
  # Only FFmpeg's, libdeflate's, libqrencode's and minizip's pkg-config
  # files, with what static linking needs.
  set(ENV{PKG_CONFIG_LIBDIR}
      ${windows_ffmpeg_dir}/lib/pkgconfig:${windows_qrencode_dir}/lib/pkgconfig:${windows_minizip_dir}/lib/pkgconfig)
  set(PKG_CONFIG_ARGN --static)
  # stb_image_write is header-only: its directory alone, as for nlohmann json.
  file(CREATE_LINK /usr/include/stb ${VOMRA_CROSS_INCLUDE_DIR}/stb SYMBOLIC)
  set(STB_INCLUDE_DIR ${VOMRA_CROSS_INCLUDE_DIR}/stb CACHE PATH "stb for the cross build" FORCE)
  # What was left out for want of the libraries comes back with them.
  if(VOMRA_LEFT_OUT_FOR_WANT_OF_LIBRARIES)
    set(VOMRA_BUILD_APP ON CACHE BOOL "" FORCE)
    set(VOMRA_BUILD_CAPTURE ON CACHE BOOL "" FORCE)
    unset(VOMRA_LEFT_OUT_FOR_WANT_OF_LIBRARIES CACHE)
  endif()
else()
  message(STATUS "No Windows build of wxWidgets and FFmpeg (scripts/windows-deps.sh makes it): "
                 "the window and the frame capture are left out")
  set(VOMRA_BUILD_APP OFF CACHE BOOL "" FORCE)
  set(VOMRA_BUILD_CAPTURE OFF CACHE BOOL "" FORCE)
  set(VOMRA_LEFT_OUT_FOR_WANT_OF_LIBRARIES ON CACHE INTERNAL "")
endif()
