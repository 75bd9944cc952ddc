# The man pages and kdcfg's bash completion, made by the native build from the programs
# themselves (their --help and --version, kdcfg's command line), so they cannot drift
# from what the programs take. A cross build cannot run its programs: it makes neither.
if(CMAKE_CROSSCOMPILING OR WIN32)
    return()
endif()

set(kd_man_includes ${PROJECT_SOURCE_DIR}/resources/man)
find_program(KD_HELP2MAN help2man)
if(KD_HELP2MAN)
    set(kd_man_pages "")
    # program, its NAME line, the option that prints its whole help
    foreach(page "kdcfg|configure KD code readers from the command line|--help-all"
                 "kdreader-sim|a modelled KD code reader on a pseudo-terminal or serial port|--help"
                 "kdconfig|configuration tool for KD code readers, in a window|--help")
        string(REPLACE "|" ";" page "${page}")
        list(GET page 0 program)
        list(GET page 1 name)
        list(GET page 2 help_option)
        if(NOT TARGET ${program})
            continue()
        endif()
        set(page_file ${CMAKE_BINARY_DIR}/man/${program}.1)
        add_custom_command(
            OUTPUT ${page_file}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${KD_HELP2MAN} --no-info --section=1 --name=${name}
                    --help-option=${help_option} --version-option=--version
                    --include=${kd_man_includes}/${program}.h2m
                    --output=${page_file} $<TARGET_FILE:${program}>
            DEPENDS ${program} ${kd_man_includes}/${program}.h2m
            COMMENT "Making the man page ${program}.1"
            VERBATIM)
        list(APPEND kd_man_pages ${page_file})
    endforeach()
    add_custom_target(kd_man_pages ALL DEPENDS ${kd_man_pages})
else()
    message(STATUS "help2man not found: no man pages (Debian package help2man)")
endif()

# kdcfg's bash completion, written by kdcfg-completion from kdcfg's own command line.
set(kd_completion_file ${CMAKE_BINARY_DIR}/completion/kdcfg)
add_custom_command(
    OUTPUT ${kd_completion_file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/completion
    COMMAND kdcfg-completion ${kd_completion_file}
    DEPENDS kdcfg-completion
    COMMENT "Making kdcfg's bash completion"
    VERBATIM)
add_custom_target(kd_bash_completion ALL DEPENDS ${kd_completion_file})
