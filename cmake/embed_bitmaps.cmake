# Writes a C++ source holding the bitmap files as byte arrays, found by
# resource number. Arguments: OUT, DIR and BITMAPS (id,file,id,file...).
string(REPLACE "," ";" BITMAPS "${BITMAPS}")
set(body "")
set(table "")
list(LENGTH BITMAPS count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET BITMAPS ${i} id)
  list(GET BITMAPS ${j} file)
  file(READ "${DIR}/${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
  string(APPEND body "// ${file}\nconst uint8_t kBitmap${id}[] = {\n${bytes}\n};\n\n")
  string(APPEND table "    {${id}, kBitmap${id}, sizeof(kBitmap${id})},\n")
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from the bitmap files at build time.
#include \"vstgui/platform/embedded_bitmaps.h\"

namespace VSTGUI {
namespace platform {

namespace {

${body}const EmbeddedBitmap kBitmaps[] = {
${table}};

} // namespace

const EmbeddedBitmap* findEmbeddedBitmap(int32_t resourceId)
{
    for (const EmbeddedBitmap& bitmap : kBitmaps)
        if (bitmap.resourceId == resourceId)
            return &bitmap;
    return nullptr;
}

} // namespace platform
} // namespace VSTGUI
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
