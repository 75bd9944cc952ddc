# Every target of ours compiles with the same warnings.
function(kd_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(KD_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
