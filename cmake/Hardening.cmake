# Debian's hardening flags for the Linux programs: fortified calls, stack protector,
# read-only relocations bound at start (relro, bindnow) and position-independent
# executables. Taken from dpkg-buildflags with every hardening feature on, keeping only
# what hardening adds: its -g, -O2 and path maps stay with the build type, so that
# builds in different directories still share the compiler cache.
if(NOT KD_HARDENING)
    return()
endif()
if(WIN32)
    message(FATAL_ERROR "KD_HARDENING is for the Linux build")
endif()
if(KD_SANITIZE OR KD_FUZZ)
    message(FATAL_ERROR "KD_HARDENING does not mix with the sanitizers: turn it off")
endif()
# Fortified calls need the optimiser; without it glibc warns, and warnings are errors.
if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    message(FATAL_ERROR "KD_HARDENING needs an optimised build type, not '${CMAKE_BUILD_TYPE}'")
endif()

# The flags of one kind (CPPFLAGS, CXXFLAGS, LDFLAGS) with hardening all on or all off.
function(kd_dpkg_buildflags kind switch out)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=${switch}
                ${KD_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${result})")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(${out} ${flags} PARENT_SCOPE)
endfunction()

# What hardening=+all has that hardening=-all has not.
function(kd_hardening_flags kind out)
    kd_dpkg_buildflags(${kind} +all on)
    kd_dpkg_buildflags(${kind} -all off)
    list(REMOVE_ITEM on ${off})
    set(${out} ${on} PARENT_SCOPE)
endfunction()

find_program(KD_DPKG_BUILDFLAGS dpkg-buildflags)
if(KD_DPKG_BUILDFLAGS)
    kd_hardening_flags(CPPFLAGS kd_hardening_cpp)
    kd_hardening_flags(CXXFLAGS kd_hardening_cxx)
    kd_hardening_flags(LDFLAGS kd_hardening_ld)
else()
    # Not a Debian system: the same flags as Debian 12 gives.
    set(kd_hardening_cpp -D_FORTIFY_SOURCE=2)
    set(kd_hardening_cxx -fstack-protector-strong -Wformat -Werror=format-security)
    set(kd_hardening_ld -Wl,-z,relro -Wl,-z,now)
endif()
# A compiler that fortifies by itself would see the macro defined twice.
if(kd_hardening_cpp MATCHES "-D_FORTIFY_SOURCE")
    list(PREPEND kd_hardening_cpp -U_FORTIFY_SOURCE)
endif()
add_compile_options(${kd_hardening_cpp} ${kd_hardening_cxx})
add_link_options(${kd_hardening_ld})
# Debian's compiler makes PIE by default; this asks for it from any compiler.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
string(JOIN " " kd_shown ${kd_hardening_cpp} ${kd_hardening_cxx} ${kd_hardening_ld} -pie)
message(STATUS "Hardening: ${kd_shown}")
