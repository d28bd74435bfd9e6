# The report template Dravik-Lumo-Report.ott beside the programs, made at build time from its
# readable source assets/Dravik-Lumo-Report.fodt (flat OpenDocument XML) by a headless office,
# the way the workbook is made (cmake/Workbook.cmake).
#
# This file serves twice: included from the top-level CMakeLists.txt it declares the build step
# and the install rule; run with `cmake -P` it is that build step.

include(${CMAKE_CURRENT_LIST_DIR}/OfficeDocument.cmake)

if(CMAKE_SCRIPT_MODE_FILE)
  dravik_office_convert("ott:writer8_template" _converted _content)
  # The places the report program fills must have come through.
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
  dravik_office_publish("${_converted}")
  return()
endif()

# -- Declared from the project -------------------------------------------------------------------
set(DRAVIK_REPORT_TEMPLATE_SOURCE ${CMAKE_SOURCE_DIR}/assets/Dravik-Lumo-Report.fodt)
set(DRAVIK_REPORT_TEMPLATE_FILE ${DRAVIK_BIN_DIR}/Dravik-Lumo-Report.ott)
dravik_office_document(report_template ${DRAVIK_REPORT_TEMPLATE_SOURCE}
                       ${DRAVIK_REPORT_TEMPLATE_FILE} ${CMAKE_CURRENT_LIST_FILE} report-template)
