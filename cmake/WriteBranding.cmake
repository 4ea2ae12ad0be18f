# SPDX-License-Identifier: MIT
# Writes a scrambled branding file whose help links name the pages in HELP_DIR.
# cmake -DTEMPLATE=branding.ini.in -DVERSION=x.y.z -DHELP_DIR=/abs/help -DOUTPUT=.../zezeruda.dll
#       -DSCRAMBLER=tervane-scramble -P WriteBranding.cmake
include(${CMAKE_CURRENT_LIST_DIR}/TervaneBranding.cmake)

foreach(var TEMPLATE VERSION HELP_DIR OUTPUT SCRAMBLER)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "WriteBranding.cmake needs -D${var}=...")
    endif()
endforeach()

set(PROJECT_VERSION "${VERSION}")
tervane_file_url(TERVANE_HELP_URL "${HELP_DIR}")
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
configure_file("${TEMPLATE}" "${OUTPUT}.ini" @ONLY)
execute_process(COMMAND "${SCRAMBLER}" "${OUTPUT}.ini" "${OUTPUT}" RESULT_VARIABLE result)
file(REMOVE "${OUTPUT}.ini")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Scrambling ${OUTPUT} failed")
endif()
