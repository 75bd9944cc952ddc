# Renders the manual page PAGE as plain UTF-8 text into TEXT, for readers without man:
# no bold or underline, and ASCII hyphens and quotes, so that options copied from the
# text work on a command line.
#   cmake -DGROFF=groff -DPAGE=kdcfg.1 -DTEXT=kdcfg.txt -P ManToText.cmake
if(NOT GROFF)
    message(FATAL_ERROR "groff is needed to render the manual pages as text (Debian: groff-base)")
endif()
if(NOT EXISTS ${PAGE})
    message(FATAL_ERROR "${PAGE} does not exist: build the native target kd_man_pages first "
                        "(cmake --build --preset native --target kd_man_pages)")
endif()
execute_process(
    COMMAND ${GROFF} -k -K utf-8 -t -man -Tutf8 -rLL=78n -P-cbou ${PAGE}
    OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR errors)
    message(FATAL_ERROR "groff could not render ${PAGE} (${result}): ${errors}")
endif()
# groff's typographic hyphen, minus and quotes.
foreach(pair "‐;-" "−;-" "‘;'" "’;'" "“;\"" "”;\"")
    list(GET pair 0 from)
    list(GET pair 1 to)
    string(REPLACE "${from}" "${to}" text "${text}")
endforeach()
file(WRITE ${TEXT} "${text}")
