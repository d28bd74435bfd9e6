# The shipped workbook ${DRAVIK_WORKBOOK_NAME}, made at build time from its readable source
# assets/Dravik-Lumo.fods (flat OpenDocument XML) by a headless office.
#
# This file serves twice: included from the top-level CMakeLists.txt it declares the build step,
# the install rule and the check; run with `cmake -P` it is that build step (see
# cmake/OfficeDocument.cmake).

include(${CMAKE_CURRENT_LIST_DIR}/OfficeDocument.cmake)

if(CMAKE_SCRIPT_MODE_FILE)
  dravik_office_convert("ods:calc8" _converted _content)
  # A source the office does not recognise converts "successfully" into one empty sheet, so make
  # sure the sheets and names the program relies on came through.
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
  dravik_office_publish("${_converted}")
  return()
endif()

# -- Declared from the project -------------------------------------------------------------------
set(DRAVIK_WORKBOOK_SOURCE ${CMAKE_SOURCE_DIR}/assets/Dravik-Lumo.fods)
set(DRAVIK_WORKBOOK_FILE ${DRAVIK_BIN_DIR}/${DRAVIK_WORKBOOK_NAME})
# The user's answers and Report live in it once they save it in Calc: never overwritten.
dravik_office_document(workbook ${DRAVIK_WORKBOOK_SOURCE} ${DRAVIK_WORKBOOK_FILE}
                       ${CMAKE_CURRENT_LIST_FILE} workbook USER_FILE)

# The check opens the built workbook in a real headless office through Python's UNO bridge.
find_program(DRAVIK_UNO_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(BUILD_TESTING AND DRAVIK_SOFFICE AND DRAVIK_UNO_PYTHON)
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
