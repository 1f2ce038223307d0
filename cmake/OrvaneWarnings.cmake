# Warnings for the project's own targets (never directory-wide).
option(ORVANE_WERROR "Treat warnings as errors on our own targets" ON)

function(orvane_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4)
        if(ORVANE_WERROR)
            target_compile_options(${target} PRIVATE /WX)
        endif()
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                                 -Wnon-virtual-dtor -Woverloaded-virtual)
        if(ORVANE_WERROR)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    endif()
endfunction()
