# Writes a C++ source that carries a compiled resource file (.res) and hands it to the program's
# module before the entry point runs: what the Windows linker's resource section is to a .exe.
# cmake -DRES=file.res -DOUT=file.cpp -P embed_res.cmake
file(READ "${RES}" hex HEX)
string(LENGTH "${hex}" chars)
math(EXPR bytes "${chars} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n    " body "${body}")
file(WRITE "${OUT}" "// Generated from the resource script by the build; do not edit.
#include \"win32/module_resources.h\"

namespace {

const BYTE kResourceFile[${bytes}] = {
    ${body}
};

[[maybe_unused]] const BOOL Registered =
    RegisterResourceFile(GetModuleHandleA(nullptr), kResourceFile, sizeof kResourceFile);

}  // namespace
")
