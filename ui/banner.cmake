# The banner loader, a library of its own because it brings libpng in.
# Included by ui/CMakeLists.txt and by the tests that need it.
include_guard(GLOBAL)

# libpng and zlib come from the toolchain's find root: libpng built by
# scripts/build-deps.sh, zlib from Debian's mingw package. Both are linked
# statically, so that the program imports no zlib or libpng DLL.
find_library(PINDREL_ZLIB_STATIC NAMES libz.a REQUIRED)
set(ZLIB_LIBRARY ${PINDREL_ZLIB_STATIC})
find_package(PNG REQUIRED)

add_library(pindrel_banner STATIC ${CMAKE_CURRENT_LIST_DIR}/banner.cpp)
target_include_directories(pindrel_banner PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pindrel_banner PUBLIC PNG::PNG gdi32 kernel32)
