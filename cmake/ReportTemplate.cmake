# The report template Dravik-Lumo-Report.ott beside the programs, made at build time from its
# readable source assets/Dravik-Lumo-Report.fodt (flat OpenDocument XML) by a headless office,
# the way the workbook is made (cmake/Workbook.cmake).
#
# This file serves twice: included from the top-level CMakeLists.txt it declares the build step
# and the install rule; run with `cmake -P` it is that build step.

if(CMAKE_SCRIPT_MODE_FILE)
  # -- The build step: SOFFICE, SOURCE, WORK_DIR, PROFILE_DIR and OUTPUT are passed with -D. ----
  file(REMOVE "${OUTPUT}")
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  get_filename_component(_stem "${SOURCE}" NAME_WE)
  set(_converted "${WORK_DIR}/${_stem}.ott")
  execute_process(
    COMMAND "${SOFFICE}" "-env:UserInstallation=file://${PROFILE_DIR}" --headless --invisible
            --norestore --nologo --nolockcheck --convert-to ott:writer8_template
            --outdir "${WORK_DIR}" "${SOURCE}"
    RESULT_VARIABLE _rc
    OUTPUT_VARIABLE _out
    ERROR_VARIABLE _err
    TIMEOUT 300)
  if(NOT _rc EQUAL 0 OR NOT EXISTS "${_converted}")
    message(FATAL_ERROR "Converting ${SOURCE} failed (exit ${_rc}):\n${_out}\n${_err}")
  endif()
  # The places the report program fills must have come through.
  file(ARCHIVE_EXTRACT INPUT "${_converted}" DESTINATION "${WORK_DIR}/content" PATTERNS content.xml)
  file(READ "${WORK_DIR}/content/content.xml" _content)
  foreach(_table Profile Answers Capacity Costs)
    if(NOT _content MATCHES "table:table table:name=\"${_table}\"")
      message(FATAL_ERROR "The template built from ${SOURCE} has no table \"${_table}\"")
    endif()
  endforeach()
  foreach(_mark Customer Industry ReportDate CopiedAt)
    if(NOT _content MATCHES "text:bookmark-start text:name=\"${_mark}\"")
      message(FATAL_ERROR "The template built from ${SOURCE} has no bookmark \"${_mark}\"")
    endif()
  endforeach()
  foreach(_chart CapacityChart CostChart)
    if(NOT _content MATCHES "draw:name=\"${_chart}\"")
      message(FATAL_ERROR "The template built from ${SOURCE} has no chart \"${_chart}\"")
    endif()
  endforeach()
  file(COPY_FILE "${_converted}" "${OUTPUT}.part")
  file(RENAME "${OUTPUT}.part" "${OUTPUT}")
  return()
endif()

# -- Declared from the project -------------------------------------------------------------------
set(DRAVIK_REPORT_TEMPLATE_SOURCE ${CMAKE_SOURCE_DIR}/assets/Dravik-Lumo-Report.fodt)
set(DRAVIK_REPORT_TEMPLATE_FILE ${DRAVIK_BIN_DIR}/Dravik-Lumo-Report.ott)

find_program(DRAVIK_SOFFICE NAMES soffice libreoffice
             PATHS /usr/bin /usr/lib/libreoffice/program /opt/libreoffice/program
             DOC "The office program that builds the workbook and the report template")

if(DRAVIK_SOFFICE)
  add_custom_command(
    OUTPUT ${DRAVIK_REPORT_TEMPLATE_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVIK_BIN_DIR}
    COMMAND ${CMAKE_COMMAND} -DSOFFICE=${DRAVIK_SOFFICE} -DSOURCE=${DRAVIK_REPORT_TEMPLATE_SOURCE}
            -DWORK_DIR=${CMAKE_BINARY_DIR}/report-template-convert
            -DPROFILE_DIR=${CMAKE_BINARY_DIR}/lo-profile-report-template
            -DOUTPUT=${DRAVIK_REPORT_TEMPLATE_FILE} -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ${DRAVIK_REPORT_TEMPLATE_SOURCE} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Building the report template Dravik-Lumo-Report.ott"
    VERBATIM)
else()
  add_custom_command(
    OUTPUT ${DRAVIK_REPORT_TEMPLATE_FILE}
    COMMAND ${CMAKE_COMMAND} -E echo
            "No office program (soffice) found: cannot build Dravik-Lumo-Report.ott"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
add_custom_target(report_template ALL DEPENDS ${DRAVIK_REPORT_TEMPLATE_FILE})

install(FILES ${DRAVIK_REPORT_TEMPLATE_FILE} DESTINATION lib/dravik-lumo)
