# {fmt}, header-only, from the Debian headers of the build machine (libfmt-dev): the same text formatting for the
# native and the Windows tool, as mingw has no package of it. Only the fmt/ folder is copied into the build, so
# a cross build never sees the host's other headers.
find_path(LUMIVEX_FMT_INCLUDE fmt/format.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(COPY ${LUMIVEX_FMT_INCLUDE}/fmt DESTINATION ${CMAKE_BINARY_DIR}/fmt_headers)
add_library(lumivex_fmt INTERFACE)
target_include_directories(lumivex_fmt SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/fmt_headers)
target_compile_definitions(lumivex_fmt INTERFACE FMT_HEADER_ONLY)
