# The manual pages, made at build time by help2man from each program's own --help and --version,
# so that the page and the program never disagree; installed where man finds them for the user
# (PREFIX/share/man/man1), and removed by uninstall with the rest of the manifest.
find_program(DRAVIK_HELP2MAN help2man REQUIRED)
set(DRAVIK_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(_dravik_man_pages)
foreach(_entry IN ITEMS "dravik-lumo|the data-entry front end of the Dravik Lumo workbook"
                        "dravik-toc-report|the Total Cost of Ownership report of Dravik Lumo"
                        "dravik-create-db|creates the record database of Dravik Lumo")
  string(REPLACE "|" ";" _entry "${_entry}")
  list(GET _entry 0 _program)
  list(GET _entry 1 _name)
  set(_page ${DRAVIK_MAN_DIR}/${_program}.1)
  add_custom_command(
    OUTPUT ${_page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVIK_MAN_DIR}
    COMMAND ${DRAVIK_HELP2MAN} --no-info --section=1 --name=${_name} --output=${_page}
            $<TARGET_FILE:${_program}>
    DEPENDS ${_program}
    COMMENT "Writing the manual page ${_program}.1"
    VERBATIM)
  list(APPEND _dravik_man_pages ${_page})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${_dravik_man_pages})
install(FILES ${_dravik_man_pages} DESTINATION share/man/man1)
