# The Calc backend: C++ headers for the office's UNO types are generated at build time from the
# installed type libraries, and the URE libraries are found at run time through the RPATH.
set(DRAVIK_OFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program"
    CACHE PATH "The office's program folder: soffice, the URE libraries and type libraries")
set(DRAVIK_OFFICE_SDK_DIR "/usr/lib/libreoffice/sdk" CACHE PATH "The office SDK")

find_program(DRAVIK_CPPUMAKER cppumaker HINTS ${DRAVIK_OFFICE_SDK_DIR}/bin REQUIRED)
set(_dravik_type_libraries ${DRAVIK_OFFICE_PROGRAM_DIR}/types.rdb
                           ${DRAVIK_OFFICE_PROGRAM_DIR}/types/offapi.rdb)
foreach(_rdb IN LISTS _dravik_type_libraries)
  if(NOT EXISTS ${_rdb})
    message(FATAL_ERROR "UNO type library ${_rdb} not found; install the office SDK")
  endif()
endforeach()

# All types at once: it takes under a second and spares keeping a list of the types in use and
# their dependencies.
set(DRAVIK_UNO_HEADERS ${CMAKE_BINARY_DIR}/uno_headers)
set(_dravik_uno_stamp ${DRAVIK_UNO_HEADERS}/.generated)
add_custom_command(
  OUTPUT ${_dravik_uno_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${DRAVIK_UNO_HEADERS}
  COMMAND ${DRAVIK_CPPUMAKER} -O${DRAVIK_UNO_HEADERS} ${_dravik_type_libraries}
  COMMAND ${CMAKE_COMMAND} -E touch ${_dravik_uno_stamp}
  DEPENDS ${_dravik_type_libraries}
  COMMENT "Generating C++ headers for the office's UNO types"
  VERBATIM)
add_custom_target(dravik_uno_headers DEPENDS ${_dravik_uno_stamp})

find_library(DRAVIK_UNO_SAL uno_sal HINTS ${DRAVIK_OFFICE_SDK_DIR}/lib REQUIRED NO_DEFAULT_PATH)
find_library(DRAVIK_UNO_CPPU uno_cppu HINTS ${DRAVIK_OFFICE_SDK_DIR}/lib REQUIRED NO_DEFAULT_PATH)
find_library(DRAVIK_UNO_CPPUHELPER uno_cppuhelpergcc3 HINTS ${DRAVIK_OFFICE_SDK_DIR}/lib
             REQUIRED NO_DEFAULT_PATH)

# What a translation unit that speaks UNO needs. The SDK and generated headers are system
# includes so that their warnings stay out of ours.
add_library(dravik_uno INTERFACE)
add_dependencies(dravik_uno dravik_uno_headers)
target_include_directories(dravik_uno SYSTEM INTERFACE ${DRAVIK_OFFICE_SDK_DIR}/include
                                                       ${DRAVIK_UNO_HEADERS})
target_compile_definitions(
  dravik_uno INTERFACE LINUX UNX CPPU_ENV=gcc3
                       DRAVIK_OFFICE_PROGRAM_DIR="${DRAVIK_OFFICE_PROGRAM_DIR}")
target_link_libraries(dravik_uno INTERFACE ${DRAVIK_UNO_CPPUHELPER} ${DRAVIK_UNO_CPPU}
                                           ${DRAVIK_UNO_SAL})
# The URE libraries live in the office's program folder, not on the loader's path.
target_link_options(dravik_uno INTERFACE "LINKER:-rpath,${DRAVIK_OFFICE_PROGRAM_DIR}")

# The backend's folder, src/workbook/calc/, but for the module's entry points.
file(GLOB DRAVIK_CALC_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/workbook/calc/*.cpp
     ${CMAKE_SOURCE_DIR}/src/workbook/calc/*.h)
list(FILTER DRAVIK_CALC_SOURCES EXCLUDE REGEX "/CalcModule\\.cpp$")
# The user's pipe and private folder are the workbook room's, built into the module too.
add_library(dravik_calc STATIC ${DRAVIK_CALC_SOURCES} ${CMAKE_SOURCE_DIR}/src/workbook/UserOffice.cpp)
add_dependencies(dravik_calc dravik_uno_headers)
target_include_directories(dravik_calc PUBLIC ${CMAKE_SOURCE_DIR}/src)
# It uses the automation layer's headers alone, never a room's code. Public so that the
# real-office test support can probe documents over its own connection.
target_link_libraries(dravik_calc PUBLIC dravik_uno Qt6::Core)
# The module below is made from it.
set_target_properties(dravik_calc PROPERTIES POSITION_INDEPENDENT_CODE ON)

# The backend as the programs use it: a module beside them, loaded when the office is first needed
# (src/workbook/ModuleSystem.h), so that the programs themselves link no office library and start,
# and say what is missing, where the office's libraries are not installed. It links the archive
# alone, no room's library (the backend uses none of their code), and exports its entry points
# only.
add_library(dravik_calc_module MODULE ${CMAKE_SOURCE_DIR}/src/workbook/calc/CalcModule.cpp)
add_dependencies(dravik_calc_module dravik_calc)
target_include_directories(dravik_calc_module PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(dravik_calc_module PRIVATE $<TARGET_FILE:dravik_calc> dravik_uno Qt6::Core)
target_link_options(dravik_calc_module PRIVATE "LINKER:--exclude-libs,ALL" "LINKER:--as-needed"
                    "LINKER:--no-undefined")
set_target_properties(dravik_calc_module PROPERTIES PREFIX "" OUTPUT_NAME dravik-lumo-calc
                      SUFFIX ".so" LIBRARY_OUTPUT_DIRECTORY ${DRAVIK_BIN_DIR})
install(TARGETS dravik_calc_module DESTINATION lib/dravik-lumo)
