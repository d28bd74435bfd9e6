# Office documents made at build time from their readable flat OpenDocument sources by a headless
# office on a private profile: the workbook (cmake/Workbook.cmake) and the report template
# (cmake/ReportTemplate.cmake). Each of those files serves twice: included from the project it
# declares its build step with dravik_office_document(); run with `cmake -P` it is that step,
# written with the two script functions below around the checks of its own content.

# -- Script mode ----------------------------------------------------------------------------------
# Converts SOURCE (passed with -D, as SOFFICE, WORK_DIR, PROFILE_DIR and OUTPUT are) to the given
# "ext:filter" and reads the result's content.xml into content_var; converted_var names the file.
# A private profile keeps the conversion apart from any office the user or a test is running, and
# no stale output may survive a failed build.
function(dravik_office_convert convert_to converted_var content_var)
  file(REMOVE "${OUTPUT}")
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  get_filename_component(_stem "${SOURCE}" NAME_WE)
  string(REGEX REPLACE ":.*" "" _ext "${convert_to}")
  set(_converted "${WORK_DIR}/${_stem}.${_ext}")
  # The profile's URL as the office itself writes one: a folder with a blank, an "ü" or a quote
  # in its name (the clone's path) must reach it encoded. The build's own files are read in a
  # UTF-8 locale that exists, whatever the environment names.
  execute_process(
    COMMAND /usr/bin/python3 -c "import sys, uno; print(uno.systemPathToFileUrl(sys.argv[1]))"
            "${PROFILE_DIR}"
    OUTPUT_VARIABLE _profile_url OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0 OR _profile_url STREQUAL "")
    message(FATAL_ERROR "No file URL for ${PROFILE_DIR}: install python3-uno")
  endif()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C.UTF-8 "${SOFFICE}"
            "-env:UserInstallation=${_profile_url}" --headless --invisible
            --norestore --nologo --nolockcheck --convert-to "${convert_to}" --outdir "${WORK_DIR}"
            "${SOURCE}"
    RESULT_VARIABLE _rc
    OUTPUT_VARIABLE _out
    ERROR_VARIABLE _err
    TIMEOUT 300)
  # The office says little when a conversion fails and may still exit 0: the file decides.
  if(NOT _rc EQUAL 0 OR NOT EXISTS "${_converted}")
    message(FATAL_ERROR "Converting ${SOURCE} failed (exit ${_rc}):\n${_out}\n${_err}")
  endif()
  file(ARCHIVE_EXTRACT INPUT "${_converted}" DESTINATION "${WORK_DIR}/content" PATTERNS content.xml)
  file(READ "${WORK_DIR}/content/content.xml" _content)
  set(${converted_var} "${_converted}" PARENT_SCOPE)
  set(${content_var} "${_content}" PARENT_SCOPE)
endfunction()

# Copies under a temporary name, then renames, so a half-written file never carries the name.
function(dravik_office_publish converted)
  file(COPY_FILE "${converted}" "${OUTPUT}.part")
  file(RENAME "${OUTPUT}.part" "${OUTPUT}")
endfunction()

# -- Declared from the project ---------------------------------------------------------------------
# dravik_office_document(TARGET SOURCE OUTPUT SCRIPT WORK_NAME [USER_FILE]): the target that builds
# OUTPUT from SOURCE by running SCRIPT in script mode, and its install rule beside the programs;
# with USER_FILE a copy the user changed there is kept (cmake/Install.cmake).
function(dravik_office_document target source output script work_name)
  get_filename_component(_name "${output}" NAME)
  if(DRAVIK_SOFFICE)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVIK_BIN_DIR}
      COMMAND ${CMAKE_COMMAND} -DSOFFICE=${DRAVIK_SOFFICE} -DSOURCE=${source}
              -DWORK_DIR=${CMAKE_BINARY_DIR}/${work_name}-convert
              -DPROFILE_DIR=${CMAKE_BINARY_DIR}/lo-profile-${work_name} -DOUTPUT=${output}
              -P ${script}
      DEPENDS ${source} ${script} ${CMAKE_SOURCE_DIR}/cmake/OfficeDocument.cmake
      COMMENT "Building ${_name}"
      VERBATIM)
  else()
    # Without an office there is no such file; say so where it is needed instead of shipping none.
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E echo "No office program (soffice) found: cannot build ${_name}"
      COMMAND ${CMAKE_COMMAND} -E false
      VERBATIM)
  endif()
  add_custom_target(${target} ALL DEPENDS ${output})
  if(ARGV5 STREQUAL "USER_FILE")
    # Bracket arguments: the clone's path may hold quotes.
    install(CODE "
      set(DRAVIK_INSTALL_FUNCTIONS_ONLY ON)
      include([==[${CMAKE_SOURCE_DIR}/cmake/Install.cmake]==])
      dravik_install_user_file([==[${output}]==] \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo\")
    ")
  else()
    install(FILES ${output} DESTINATION lib/dravik-lumo)
  endif()
endfunction()

if(NOT CMAKE_SCRIPT_MODE_FILE)
  find_program(DRAVIK_SOFFICE NAMES soffice libreoffice
               PATHS /usr/bin /usr/lib/libreoffice/program /opt/libreoffice/program
               DOC "The office program that builds the workbook and the report template")
endif()
