# CPack runs this in its staging tree before it makes the package: the programs lose the
# .comment and .note sections that CPack's plain strip leaves in.
find_program(VELLORA_STRIP strip REQUIRED)
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program ${programs})
  execute_process(COMMAND ${VELLORA_STRIP} --remove-section=.comment --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
