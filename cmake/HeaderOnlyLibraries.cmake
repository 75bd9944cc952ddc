# CLI11 and nlohmann/json come from Debian's header-only packages. The mingw toolchain
# searches only its own sysroot, and /usr/include as a whole must not reach the Windows
# build (glibc's headers would shadow mingw's), so both include directories are copied
# into one build-tree directory that every build uses.
set(KD_HEADER_ONLY_DIR ${CMAKE_BINARY_DIR}/header-only)

function(kd_copy_header_only_library directory header package)
    find_path(found_root ${directory}/${header} PATHS /usr/include /usr/local/include
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT found_root)
        message(FATAL_ERROR "${directory}/${header} not found: install the Debian package ${package}")
    endif()
    file(COPY ${found_root}/${directory} DESTINATION ${KD_HEADER_ONLY_DIR})
    unset(found_root CACHE)
endfunction()

kd_copy_header_only_library(CLI CLI.hpp libcli11-dev)
kd_copy_header_only_library(nlohmann json.hpp nlohmann-json3-dev)

# SYSTEM, so that our warning flags do not apply to their code.
add_library(kd_cli11 INTERFACE)
target_include_directories(kd_cli11 SYSTEM INTERFACE ${KD_HEADER_ONLY_DIR})

add_library(kd_json INTERFACE)
target_include_directories(kd_json SYSTEM INTERFACE ${KD_HEADER_ONLY_DIR})
