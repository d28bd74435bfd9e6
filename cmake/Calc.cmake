file(GLOB DRAVIK_CALC_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/workbook/Calc*.cpp)
add_library(dravik_calc STATIC ${DRAVIK_CALC_SOURCES})
target_link_libraries(dravik_calc PUBLIC dravik_core)
