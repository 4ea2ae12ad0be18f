# SPDX-License-Identifier: MIT
# The branding file's help links name the help pages by absolute file URL, so they open offline from any
# working directory. The build writes links to the pages in the build tree; an install writes the file
# again with links to where the pages were installed.

# tervane_file_url(<out> <absolute path>): "file://" and the path, every byte outside the unreserved set
# and "/" percent-encoded, so spaces, "#", "?" and non-ASCII bytes survive.
function(tervane_file_url out path)
    string(HEX "${path}" hex)
    string(LENGTH "${hex}" length)
    set(url "file://")
    set(i 0)
    while(i LESS length)
        string(SUBSTRING "${hex}" ${i} 2 pair)
        math(EXPR code "0x${pair}")
        if((code GREATER_EQUAL 48 AND code LESS_EQUAL 57) OR (code GREATER_EQUAL 65 AND code LESS_EQUAL 90)
           OR (code GREATER_EQUAL 97 AND code LESS_EQUAL 122) OR code EQUAL 45 OR code EQUAL 46 OR code EQUAL 95
           OR code EQUAL 126 OR code EQUAL 47)
            string(ASCII ${code} char)
            string(APPEND url "${char}")
        else()
            string(TOUPPER "${pair}" pair)
            string(APPEND url "%${pair}")
        endif()
        math(EXPR i "${i} + 2")
    endwhile()
    set(${out} "${url}" PARENT_SCOPE)
endfunction()

# tervane_install_branding(DESTINATION <dir> HELP_DESTINATION <dir> [FINAL_PREFIX <prefix>]
#                          [COMPONENT <name>])
# Installs the help pages into HELP_DESTINATION and writes the branding file into DESTINATION (the folder
# of the installed executable), its links naming the installed pages. Relative folders are taken below
# the install prefix. DESTDIR is honoured for writing but never appears in the links. Packagers that
# stage by changing the prefix rather than DESTDIR (CPack without CPACK_SET_DESTDIR) pass FINAL_PREFIX,
# the prefix the package installs to, so the links do not name the staging folder.
function(tervane_install_branding)
    cmake_parse_arguments(ARG "" "DESTINATION;HELP_DESTINATION;FINAL_PREFIX;COMPONENT" "" ${ARGN})
    if(NOT ARG_DESTINATION OR NOT ARG_HELP_DESTINATION)
        message(FATAL_ERROR "tervane_install_branding needs DESTINATION and HELP_DESTINATION")
    endif()
    set(component)
    if(ARG_COMPONENT)
        set(component COMPONENT ${ARG_COMPONENT})
    endif()
    file(GLOB pages ${PROJECT_SOURCE_DIR}/docs/help/*.html)
    install(FILES ${pages} DESTINATION ${ARG_HELP_DESTINATION} ${component})
    set(template ${PROJECT_SOURCE_DIR}/app/branding.ini.in)
    set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/WriteBranding.cmake)
    install(CODE "
        set(prefix \"${ARG_FINAL_PREFIX}\")
        if(NOT prefix)
            set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
        endif()
        set(help \"${ARG_HELP_DESTINATION}\")
        if(NOT IS_ABSOLUTE \"\${help}\")
            set(help \"\${prefix}/\${help}\")
        endif()
        set(target \"${ARG_DESTINATION}\")
        if(NOT IS_ABSOLUTE \"\${target}\")
            set(target \"\${CMAKE_INSTALL_PREFIX}/\${target}\")
        endif()
        set(target \"\$ENV{DESTDIR}\${target}\")
        message(STATUS \"Installing: \${target}/zezeruda.dll (help links to \${help})\")
        execute_process(
            COMMAND \"${CMAKE_COMMAND}\"
                \"-DTEMPLATE=${template}\"
                \"-DVERSION=${PROJECT_VERSION}\"
                \"-DHELP_DIR=\${help}\"
                \"-DOUTPUT=\${target}/zezeruda.dll\"
                \"-DSCRAMBLER=$<TARGET_FILE:tervane-scramble>\"
                -P \"${script}\"
            RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR \"Writing the installed branding file failed\")
        endif()
    " ${component})
endfunction()
