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
