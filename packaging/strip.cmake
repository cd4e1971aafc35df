# Run by CPack on the staged files before packing: strips the programs (the timer and the
# exam office's console) the way Debian's dh_strip does (symbols, and the compiler's .comment
# and .note sections, which a plain strip keeps).
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/kvtmr"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/kvtmr-console")
list(LENGTH programs count)
if(NOT count EQUAL 2)
    message(FATAL_ERROR "strip.cmake: not both bin/kvtmr and bin/kvtmr-console under "
                        "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note
                            --strip-unneeded ${program}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
