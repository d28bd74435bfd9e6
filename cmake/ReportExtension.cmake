# The office extension behind the workbook's button "Copy Summary Data to Report Worksheet",
# packed from its readable sources in office/extension into ${DRAVIK_REPORT_EXTENSION_FILE}.
# office/register-extension.sh registers it in the user's office profile.

set(DRAVIK_REPORT_EXTENSION_DIR ${CMAKE_SOURCE_DIR}/office/extension)
set(DRAVIK_REPORT_EXTENSION_FILE ${DRAVIK_BIN_DIR}/dravik-report-copy.oxt)
set(_dravik_extension_files description.xml META-INF/manifest.xml ProtocolHandler.xcu
                            report_copy.components report_copy.py)
list(TRANSFORM _dravik_extension_files PREPEND ${DRAVIK_REPORT_EXTENSION_DIR}/
     OUTPUT_VARIABLE _dravik_extension_sources)

# An .oxt is a zip archive of the folder; a stale one is removed first so no old file survives.
add_custom_command(
  OUTPUT ${DRAVIK_REPORT_EXTENSION_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVIK_BIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${DRAVIK_REPORT_EXTENSION_FILE}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${DRAVIK_REPORT_EXTENSION_FILE} --format=zip
          ${_dravik_extension_files}
  WORKING_DIRECTORY ${DRAVIK_REPORT_EXTENSION_DIR}
  DEPENDS ${_dravik_extension_sources}
  COMMENT "Packing the office extension dravik-report-copy.oxt"
  VERBATIM)
add_custom_target(report_extension ALL DEPENDS ${DRAVIK_REPORT_EXTENSION_FILE})

install(FILES ${DRAVIK_REPORT_EXTENSION_FILE} DESTINATION lib/dravik-lumo)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/office/register-extension.sh
                 ${CMAKE_SOURCE_DIR}/office/register_extension.py DESTINATION lib/dravik-lumo)
