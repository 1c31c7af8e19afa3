# cmake -DFOLDER=<resources> -DOUTPUT=<file.cpp> -P EmbedResources.cmake
# Turns every .png and .jpg file of the folder into a byte array of the
# program, named by the file's name without extension and typed by it
# ("PNG", "JPG").
file(GLOB files ${FOLDER}/*.png ${FOLDER}/*.jpg)
list(SORT files)
set(arrays "")
set(entries "")
set(index 0)
foreach(file IN LISTS files)
  get_filename_component(name ${file} NAME_WE)
  get_filename_component(ext ${file} LAST_EXT)
  string(SUBSTRING ${ext} 1 -1 type)
  string(TOUPPER ${type} type)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const uint8_t Data${index}[] = {\n${bytes}};\n")
  string(APPEND entries "    {\"${name}\", \"${type}\", Data${index}, sizeof Data${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from the files in resources/; do not edit.
#include \"pictures/EmbeddedResources.h\"

namespace {
${arrays}}

const TEmbeddedResource EmbeddedResources[] = {
${entries}};
const size_t EmbeddedResourceCount = ${index};
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
