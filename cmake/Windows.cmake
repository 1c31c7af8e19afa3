# The Windows build: no Qt dialog, benchmarks, fuzzers or image generator;
# libpng and libjpeg from the prefix scripts/build-windows fills, under the
# names the Linux build's pkg-config targets have, so the folders link the
# same way on both systems.
set(TESSALY_DIALOG OFF CACHE BOOL "" FORCE)
set(TESSALY_BENCH OFF CACHE BOOL "" FORCE)
set(TESSALY_TOOLS OFF CACHE BOOL "" FORCE)
set(TESSALY_FUZZ OFF CACHE BOOL "" FORCE)

# The program's manifest is a resource.
enable_language(RC)

# One self-contained .scr: zlib linked in, not beside it as a DLL.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
add_library(PkgConfig::PNG INTERFACE IMPORTED)
target_link_libraries(PkgConfig::PNG INTERFACE PNG::PNG)
add_library(PkgConfig::JPEG INTERFACE IMPORTED)
target_link_libraries(PkgConfig::JPEG INTERFACE JPEG::JPEG)
# Unicode throughout: every system call the program makes is the W one.
add_compile_definitions(UNICODE _UNICODE)
