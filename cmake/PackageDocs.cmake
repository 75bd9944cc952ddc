# The documentation both packages hold: the copyright file, the changelog and the manual
# pages. The .deb has them where Debian keeps them, compressed as Debian wants them
# (gzip -9n: no name or time in the header, so the same text gives the same bytes), with
# kdcfg's bash completion. The Windows zip has them as plain text.
# The manual pages and the completion are made from the programs by the targets
# kd_man_pages (${CMAKE_BINARY_DIR}/man/PROGRAM.1) and kd_bash_completion
# (${CMAKE_BINARY_DIR}/completion/kdcfg) of the native build (cmake/Documentation.cmake,
# included before this).
set(kd_doc_source ${PROJECT_SOURCE_DIR}/resources/doc)
set(kd_doc_dir ${CMAKE_BINARY_DIR}/package-doc)

# The changelog's latest entry is the version being packaged.
file(STRINGS ${kd_doc_source}/changelog kd_changelog_top LIMIT_COUNT 1)
if(NOT kd_changelog_top MATCHES "^kdconfig \\(([^)]+)\\) ")
    message(FATAL_ERROR "resources/doc/changelog does not start with a 'kdconfig (VERSION)' entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL KD_PACKAGE_VERSION)
    message(FATAL_ERROR "the latest entry of resources/doc/changelog is ${CMAKE_MATCH_1}, but the "
                        "version is ${KD_PACKAGE_VERSION}: add an entry for it")
endif()

set(kd_man_programs)
foreach(program kdcfg kdreader-sim kdconfig)
    if(TARGET ${program})
        list(APPEND kd_man_programs ${program})
    endif()
endforeach()

if(WIN32)
    # The Windows build cannot run its programs to make their manual pages: the zip's
    # text is rendered from the native build's pages. Not part of every build, so that
    # the Windows programs build alone; scripts/check-packages.sh builds it.
    set(KD_MAN_PAGES_DIR ${PROJECT_SOURCE_DIR}/build/native/man
        CACHE PATH "The native build's manual pages, rendered as text into the Windows zip")
    find_program(KD_GROFF groff)
    set(kd_texts)
    foreach(program ${kd_man_programs})
        set(text ${kd_doc_dir}/${program}.txt)
        add_custom_command(OUTPUT ${text}
            COMMAND ${CMAKE_COMMAND} -DGROFF=${KD_GROFF} -DPAGE=${KD_MAN_PAGES_DIR}/${program}.1
                    -DTEXT=${text} -P ${PROJECT_SOURCE_DIR}/cmake/ManToText.cmake
            DEPENDS ${KD_MAN_PAGES_DIR}/${program}.1 ${PROJECT_SOURCE_DIR}/cmake/ManToText.cmake
            VERBATIM)
        list(APPEND kd_texts ${text})
    endforeach()
    add_custom_target(kd_package_docs DEPENDS ${kd_texts})
    install(FILES ${kd_texts} DESTINATION .)
    install(FILES ${kd_doc_source}/copyright DESTINATION . RENAME COPYRIGHT.txt)
    install(FILES ${kd_doc_source}/changelog DESTINATION . RENAME CHANGELOG.txt)
    return()
endif()

find_program(KD_GZIP gzip REQUIRED)
# Copies SOURCE to DIR and compresses it there; appends the result to the list OUT.
function(kd_gzip source dir out)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${dir}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${dir}/${name}
        COMMAND ${KD_GZIP} -9nf ${dir}/${name}
        DEPENDS ${source} ${ARGN}
        VERBATIM)
    set(${out} ${${out}} ${dir}/${name}.gz PARENT_SCOPE)
endfunction()

set(kd_docs)
kd_gzip(${kd_doc_source}/changelog ${kd_doc_dir} kd_docs)
# Without help2man there are no manual pages: the build goes on, and the package check
# fails on the package that lacks them.
set(kd_man_gz)
if(TARGET kd_man_pages)
    foreach(program ${kd_man_programs})
        kd_gzip(${CMAKE_BINARY_DIR}/man/${program}.1 ${kd_doc_dir}/man kd_man_gz kd_man_pages)
    endforeach()
endif()
# Used as made; copied so that the package's files all depend on what makes them.
set(kd_completion ${kd_doc_dir}/completion/kdcfg)
add_custom_command(OUTPUT ${kd_completion}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/completion/kdcfg ${kd_completion}
    DEPENDS ${CMAKE_BINARY_DIR}/completion/kdcfg kd_bash_completion
    VERBATIM)
add_custom_target(kd_package_docs ALL DEPENDS ${kd_docs} ${kd_man_gz} ${kd_completion})

set(kd_doc_install_dir ${CMAKE_INSTALL_DATADIR}/doc/kdconfig)
install(FILES ${kd_doc_source}/copyright ${kd_docs} DESTINATION ${kd_doc_install_dir})
install(FILES ${kd_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${kd_completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
