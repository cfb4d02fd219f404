# Writes a C++ source that holds the given files of res/ as byte arrays,
# looked up by their path below res/ through embeddedResource().
#   cmake -DROOT=<res dir> -DFILES=<a,b,...> -DOUTPUT=<file.cpp> -P embed_files.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS FILES)
  file(READ "${ROOT}/${name}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char file${index}[] = {\n    ${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", file${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}" "// Generated from res/ by embed_files.cmake; do not edit.
#include \"res/embedded_resources.h\"

#include <cstddef>

namespace {

${arrays}
struct Entry {
    std::string_view name;
    const unsigned char* bytes;
    std::size_t size;
};

const Entry entries[] = {
${entries}};

}  // namespace

std::string_view embeddedResource(std::string_view name)
{
    for (const Entry& entry : entries) {
        if (entry.name == name)
            return {reinterpret_cast<const char*>(entry.bytes), entry.size};
    }
    return {};
}
")
