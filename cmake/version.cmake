# The version of every program, package and page comes from project(... VERSION ...): this file derives the
# shown form and generates lumivex_version.h (target lumivex_version) for the programs and the resource script.

# Shown as major.minor with two minor digits ("1.00", "1.02"), the patch only when there is one ("1.02.3").
string(LENGTH "${PROJECT_VERSION_MINOR}" minor_digits)
if(minor_digits LESS 2)
    set(LUMIVEX_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
    set(LUMIVEX_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
if(PROJECT_VERSION_PATCH GREATER 0)
    string(APPEND LUMIVEX_VERSION_TEXT ".${PROJECT_VERSION_PATCH}")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/generated/lumivex_version.h @ONLY)

add_library(lumivex_version INTERFACE)
target_include_directories(lumivex_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# The version record of the Windows programs takes its numbers from the same header.
if(TARGET lumivex_win32_resources)
    target_link_libraries(lumivex_win32_resources PRIVATE lumivex_version)
endif()

# lumivex --version prints LUMIVEX_VERSION, the package's own.
if(TARGET lumivex_cli_batch)
    target_link_libraries(lumivex_cli_batch PRIVATE lumivex_version)
endif()
