# SPDX-License-Identifier: MIT
# One place for the warning and sanitizer policy; every target calls tervane_apply_flags.

function(tervane_apply_flags target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
        -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
    if(TERVANE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(TERVANE_SANITIZE)
    add_compile_options(-fsanitize=${TERVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${TERVANE_SANITIZE})
endif()
