# The shipped workbook ${DRAVIK_WORKBOOK_NAME}, made at build time from its readable source
# assets/Dravik-Lumo.fods (flat OpenDocument XML) by a headless office.
#
# This file serves twice: included from the top-level CMakeLists.txt it declares the build step,
# the install rule and the check; run with `cmake -P` it is that build step.

if(CMAKE_SCRIPT_MODE_FILE)
  # -- The build step: SOFFICE, SOURCE, WORK_DIR, PROFILE_DIR and OUTPUT are passed with -D. ----
  # A private profile keeps the conversion apart from any office the user or a test is running.
  # No stale workbook may survive a failed build.
  file(REMOVE "${OUTPUT}")
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  get_filename_component(_stem "${SOURCE}" NAME_WE)
  set(_converted "${WORK_DIR}/${_stem}.ods")
  execute_process(
    COMMAND "${SOFFICE}" "-env:UserInstallation=file://${PROFILE_DIR}" --headless --invisible
            --norestore --nologo --nolockcheck --convert-to ods:calc8 --outdir "${WORK_DIR}"
            "${SOURCE}"
    RESULT_VARIABLE _rc
    OUTPUT_VARIABLE _out
    ERROR_VARIABLE _err
    TIMEOUT 300)
  # The office says little when a conversion fails and may still exit 0: the file decides.
  if(NOT _rc EQUAL 0 OR NOT EXISTS "${_converted}")
    message(FATAL_ERROR "Converting ${SOURCE} failed (exit ${_rc}):\n${_out}\n${_err}")
  endif()
  # A source the office does not recognise converts "successfully" into one empty sheet, so make
  # sure the sheets and names the program relies on came through.
  file(ARCHIVE_EXTRACT INPUT "${_converted}" DESTINATION "${WORK_DIR}/content" PATTERNS content.xml)
  file(READ "${WORK_DIR}/content/content.xml" _content)
  foreach(_sheet "TOC Overview" "Report" "Y" "Notes")
    if(NOT _content MATCHES "table:table table:name=\"${_sheet}\"")
      message(FATAL_ERROR "The workbook built from ${SOURCE} has no sheet \"${_sheet}\"")
    endif()
  endforeach()
  foreach(_name DL DLQ0 DLQ1 DLQ3 DLQ4 DLQ5 DLQ6 DLQ7 DLQ8 DLQ9 DLQ10 DLQ11 DL_DEF_SP DL_DEF_RC
                DL_DEF_R1 DL_DEF_GR DL_DEF_OPER DL_DEF_OUTCOST RPT_COPIED RPT_CUSTOMER
                RPT_INDUSTRY RPT_BUSINESS RPT_SERVER RPT_ANSWERS RPT_CAPACITY RPT_COSTS RPT_TOTAL)
    if(NOT _content MATCHES "table:named-range table:name=\"${_name}\"")
      message(FATAL_ERROR "The workbook built from ${SOURCE} has no range \"${_name}\"")
    endif()
  endforeach()
  # Copy under a temporary name, then rename, so a half-written workbook never carries the name.
  file(COPY_FILE "${_converted}" "${OUTPUT}.part")
  file(RENAME "${OUTPUT}.part" "${OUTPUT}")
  return()
endif()

# -- Declared from the project -------------------------------------------------------------------
set(DRAVIK_WORKBOOK_SOURCE ${CMAKE_SOURCE_DIR}/assets/Dravik-Lumo.fods)
set(DRAVIK_WORKBOOK_FILE ${DRAVIK_BIN_DIR}/${DRAVIK_WORKBOOK_NAME})

find_program(DRAVIK_SOFFICE NAMES soffice libreoffice
             PATHS /usr/bin /usr/lib/libreoffice/program /opt/libreoffice/program
             DOC "The office program that builds the workbook")

if(DRAVIK_SOFFICE)
  add_custom_command(
    OUTPUT ${DRAVIK_WORKBOOK_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVIK_BIN_DIR}
    COMMAND ${CMAKE_COMMAND} -DSOFFICE=${DRAVIK_SOFFICE} -DSOURCE=${DRAVIK_WORKBOOK_SOURCE}
            -DWORK_DIR=${CMAKE_BINARY_DIR}/workbook-convert
            -DPROFILE_DIR=${CMAKE_BINARY_DIR}/lo-profile-workbook
            -DOUTPUT=${DRAVIK_WORKBOOK_FILE} -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ${DRAVIK_WORKBOOK_SOURCE} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Building the workbook ${DRAVIK_WORKBOOK_NAME}"
    VERBATIM)
else()
  # Without an office there is no workbook; say so where it is needed instead of shipping none.
  add_custom_command(
    OUTPUT ${DRAVIK_WORKBOOK_FILE}
    COMMAND ${CMAKE_COMMAND} -E echo
            "No office program (soffice) found: cannot build ${DRAVIK_WORKBOOK_NAME}"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
add_custom_target(workbook ALL DEPENDS ${DRAVIK_WORKBOOK_FILE})

install(FILES ${DRAVIK_WORKBOOK_FILE} DESTINATION lib/dravik-lumo)

# The check opens the built workbook in a real headless office through Python's UNO bridge.
find_program(DRAVIK_UNO_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(DRAVIK_SOFFICE AND DRAVIK_UNO_PYTHON)
  execute_process(COMMAND ${DRAVIK_UNO_PYTHON} -c "import uno"
                  RESULT_VARIABLE _dravik_uno_missing OUTPUT_QUIET ERROR_QUIET)
  if(_dravik_uno_missing EQUAL 0)
    add_test(NAME workbook_file_calc
             COMMAND ${DRAVIK_UNO_PYTHON} ${CMAKE_SOURCE_DIR}/tests/workbook/check_workbook.py
                     --workbook ${DRAVIK_WORKBOOK_FILE} --soffice ${DRAVIK_SOFFICE}
                     --profile ${CMAKE_BINARY_DIR}/lo-profile-workbook-check
                     --extension ${DRAVIK_REPORT_EXTENSION_FILE})
    set_tests_properties(workbook_file_calc PROPERTIES LABELS "calc;workbook" TIMEOUT 300)
  else()
    message(STATUS "Python's UNO bridge (python3-uno) not found: the workbook check is not registered")
  endif()
endif()
