# The office extension behind the workbook's button "Copy Summary Data to Report Worksheet",
# packed from its readable sources in office/extension into ${DRAVIK_REPORT_EXTENSION_FILE}.
# office/register-extension.sh registers it in the user's office profile.

set(DRAVIK_REPORT_EXTENSION_DIR ${CMAKE_SOURCE_DIR}/office/extension)
set(DRAVIK_REPORT_EXTENSION_FILE_NAME dravik-report-copy.oxt)
set(DRAVIK_REPORT_EXTENSION_FILE ${DRAVIK_BIN_DIR}/${DRAVIK_REPORT_EXTENSION_FILE_NAME})
set(_dravik_extension_files META-INF/manifest.xml ProtocolHandler.xcu report_copy.components
                            report_copy.py)
list(TRANSFORM _dravik_extension_files PREPEND ${DRAVIK_REPORT_EXTENSION_DIR}/
     OUTPUT_VARIABLE _dravik_extension_sources)
set(_dravik_extension_description ${DRAVIK_REPORT_EXTENSION_DIR}/description.xml)

# The programs add the extension to an office that lacks it or holds another version (see
# EnsureExtension in src/workbook/calc/CalcUno.h). So that every change to the sources counts as
# another version, the version packed is description.xml's followed by a number drawn from the
# sources' checksum; a change to any of them configures anew.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_dravik_extension_sources}
                                                              ${_dravik_extension_description})
file(READ ${_dravik_extension_description} _dravik_description)
string(REGEX MATCH "<identifier value=\"([^\"]+)\"" _m "${_dravik_description}")
set(DRAVIK_REPORT_EXTENSION_ID "${CMAKE_MATCH_1}")
string(REGEX MATCH "<version value=\"([0-9.]+)\"" _m "${_dravik_description}")
set(_dravik_extension_base_version "${CMAKE_MATCH_1}")
set(_dravik_extension_content "")
foreach(_source IN LISTS _dravik_extension_sources _dravik_extension_description)
  file(SHA256 ${_source} _sum)
  string(APPEND _dravik_extension_content "${_sum}")
endforeach()
string(SHA256 _sum "${_dravik_extension_content}")
string(SUBSTRING "${_sum}" 0 6 _sum)
math(EXPR _stamp "0x${_sum}")
set(DRAVIK_REPORT_EXTENSION_VERSION "${_dravik_extension_base_version}.${_stamp}")
set(_dravik_extension_stage ${CMAKE_BINARY_DIR}/report-extension)
string(REPLACE "<version value=\"${_dravik_extension_base_version}\""
               "<version value=\"${DRAVIK_REPORT_EXTENSION_VERSION}\"" _dravik_description
               "${_dravik_description}")
file(CONFIGURE OUTPUT ${_dravik_extension_stage}/description.xml CONTENT "${_dravik_description}"
     @ONLY)
target_compile_definitions(
  dravik_calc PRIVATE DRAVIK_REPORT_EXTENSION_FILE_NAME="${DRAVIK_REPORT_EXTENSION_FILE_NAME}"
                      DRAVIK_REPORT_EXTENSION_ID="${DRAVIK_REPORT_EXTENSION_ID}"
                      DRAVIK_REPORT_EXTENSION_VERSION="${DRAVIK_REPORT_EXTENSION_VERSION}")

# An .oxt is a zip archive of the folder, with the stamped description; a stale one is removed
# first so no old file survives.
add_custom_command(
  OUTPUT ${DRAVIK_REPORT_EXTENSION_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVIK_BIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${DRAVIK_REPORT_EXTENSION_DIR}/META-INF
          ${_dravik_extension_stage}/META-INF
  COMMAND ${CMAKE_COMMAND} -E copy ${DRAVIK_REPORT_EXTENSION_DIR}/ProtocolHandler.xcu
          ${DRAVIK_REPORT_EXTENSION_DIR}/report_copy.components
          ${DRAVIK_REPORT_EXTENSION_DIR}/report_copy.py ${_dravik_extension_stage}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${DRAVIK_REPORT_EXTENSION_FILE}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${DRAVIK_REPORT_EXTENSION_FILE} --format=zip description.xml
          ${_dravik_extension_files}
  WORKING_DIRECTORY ${_dravik_extension_stage}
  DEPENDS ${_dravik_extension_sources} ${_dravik_extension_stage}/description.xml
  COMMENT "Packing the office extension dravik-report-copy.oxt"
  VERBATIM)
add_custom_target(report_extension ALL DEPENDS ${DRAVIK_REPORT_EXTENSION_FILE})

install(FILES ${DRAVIK_REPORT_EXTENSION_FILE} DESTINATION lib/dravik-lumo)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/office/register-extension.sh
                 ${CMAKE_SOURCE_DIR}/office/register_extension.py DESTINATION lib/dravik-lumo)
