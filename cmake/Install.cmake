# Installing for the user: the program folder (the programs, the workbook, the database beside
# them), freedesktop menu entries and the logo as an icon of the hicolor theme.
#
#   cmake --install build --prefix ~/.local     (./dravik.sh install does this and more)
#
# The program folder is PREFIX/lib/dravik-lumo and must be writable by the user: the database
# lives there. An installation never overwrites an existing dravik.mdb; it only makes one where
# none is.
#
# This file serves three ways: included from the top-level CMakeLists.txt it declares the rules
# and the check of the entries; with DRAVIK_INSTALL_FUNCTIONS_ONLY set it only defines the
# function that writes the entries (for the install step); run with `cmake -P` and ACTION set it
# validates the entries (ACTION=validate) or removes an installation (ACTION=uninstall).

set(DRAVIK_DESKTOP_ENTRIES dravik-lumo dravik-toc-report dravik-create-db)

# Writes the menu entries for a program folder from their sources assets/*.desktop.in.
function(dravik_write_desktop_entries source_dir program_dir out_dir)
  # Exec takes the program quoted: inside the quotes \ " ` $ are escaped with a backslash, and
  # the value's own escaping doubles every backslash; % starts a field code and is doubled.
  set(exec_dir "${program_dir}")
  string(REPLACE "\\" "\\\\\\\\" exec_dir "${exec_dir}")
  foreach(special "\"" "`" "$")
    string(REPLACE "${special}" "\\\\${special}" exec_dir "${exec_dir}")
  endforeach()
  string(REPLACE "%" "%%" exec_dir "${exec_dir}")
  # TryExec and Path are plain strings: only the backslash is escaped.
  string(REPLACE "\\" "\\\\" plain_dir "${program_dir}")
  set(DRAVIK_EXEC_DIR "${exec_dir}")
  set(DRAVIK_PROGRAM_DIR "${plain_dir}")
  foreach(entry IN LISTS DRAVIK_DESKTOP_ENTRIES)
    configure_file("${source_dir}/assets/${entry}.desktop.in" "${out_dir}/${entry}.desktop" @ONLY)
  endforeach()
endfunction()

if(DRAVIK_INSTALL_FUNCTIONS_ONLY)
  return()
endif()

if(CMAKE_SCRIPT_MODE_FILE)
  if(ACTION STREQUAL "validate")
    # -- The check: SOURCE_DIR, OUT_DIR, VALIDATOR and PROGRAM_DIR are passed with -D. ---------
    # Besides the installed folder, one with every character the entries must escape.
    set(awkward "/home/a b/\"q\" `c` $d 100%\\e/lib/dravik-lumo")
    if(NOT VALIDATOR)
      message(FATAL_ERROR "desktop-file-validate not found: install desktop-file-utils "
                          "(./dravik.sh test does)")
    endif()
    set(index 0)
    foreach(program_dir IN ITEMS "${PROGRAM_DIR}" "${awkward}")
      set(dir "${OUT_DIR}/${index}")
      file(REMOVE_RECURSE "${dir}")
      dravik_write_desktop_entries("${SOURCE_DIR}" "${program_dir}" "${dir}")
      foreach(entry IN LISTS DRAVIK_DESKTOP_ENTRIES)
        execute_process(COMMAND "${VALIDATOR}" "${dir}/${entry}.desktop"
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
        # Hints and warnings count too: the validator must find nothing at all to say.
        if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
          message(FATAL_ERROR "${entry}.desktop for ${program_dir}:\n${out}")
        endif()
      endforeach()
      math(EXPR index "${index} + 1")
    endforeach()
    return()
  endif()

  if(ACTION STREQUAL "uninstall")
    # -- Removing an installation: PREFIX is passed with -D. ----------------------------------
    # What the installation put down is listed in the copy of its manifest in the program
    # folder; the database is never among it and stays.
    set(program_dir "${PREFIX}/lib/dravik-lumo")
    set(manifest "${program_dir}/.install-manifest")
    set(files)
    if(EXISTS "${manifest}")
      file(STRINGS "${manifest}" files)
    else()
      message(STATUS "No installation manifest in ${program_dir}; removing the known files")
      file(GLOB files "${program_dir}/dravik-lumo" "${program_dir}/dravik-create-db"
           "${program_dir}/dravik-toc-report" "${program_dir}/*.tabb")
    endif()
    foreach(entry IN LISTS DRAVIK_DESKTOP_ENTRIES)
      list(APPEND files "${PREFIX}/share/applications/${entry}.desktop")
    endforeach()
    file(GLOB icons "${PREFIX}/share/icons/hicolor/*/apps/dravik-lumo.png")
    list(APPEND files ${icons} "${manifest}")
    foreach(file IN LISTS files)
      get_filename_component(name "${file}" NAME)
      if(name MATCHES "^dravik\\.mdb")
        continue()
      endif()
      if(EXISTS "${file}" OR IS_SYMLINK "${file}")
        message(STATUS "Removing ${file}")
        file(REMOVE "${file}")
      endif()
    endforeach()
    # The program folder goes only when nothing is left in it.
    file(GLOB left "${program_dir}/*" "${program_dir}/.*")
    if(IS_DIRECTORY "${program_dir}" AND NOT left)
      file(REMOVE "${program_dir}")
    elseif(EXISTS "${program_dir}/dravik.mdb")
      message(STATUS "Kept ${program_dir}/dravik.mdb")
    endif()
    return()
  endif()
  message(FATAL_ERROR "ACTION must be validate or uninstall")
endif()

# -- Declared from the project ------------------------------------------------------------------
# The logo as square icons of the hicolor theme, drawn by a small Qt helper at build time.
set(DRAVIK_ICON_SIZES 48 64 128)
set(DRAVIK_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
find_package(Qt6 REQUIRED COMPONENTS Gui)
add_executable(dravik_make_icon ${CMAKE_CURRENT_LIST_DIR}/make_icon.cpp)
target_link_libraries(dravik_make_icon PRIVATE Qt6::Gui)
set_target_properties(dravik_make_icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(_dravik_icons)
foreach(size IN LISTS DRAVIK_ICON_SIZES)
  list(APPEND _dravik_icons ${DRAVIK_ICON_DIR}/${size}x${size}/dravik-lumo.png)
endforeach()
add_custom_command(
  OUTPUT ${_dravik_icons}
  COMMAND dravik_make_icon ${CMAKE_SOURCE_DIR}/assets/logo.png ${DRAVIK_ICON_DIR}
          ${DRAVIK_ICON_SIZES}
  DEPENDS dravik_make_icon ${CMAKE_SOURCE_DIR}/assets/logo.png
  COMMENT "Drawing the menu icons from the logo"
  VERBATIM)
add_custom_target(menu_icons ALL DEPENDS ${_dravik_icons})

foreach(size IN LISTS DRAVIK_ICON_SIZES)
  install(FILES ${DRAVIK_ICON_DIR}/${size}x${size}/dravik-lumo.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

# The entries name the programs by their installed paths, so they are written at install time,
# when the prefix is known (also one given to `cmake --install --prefix`).
install(CODE "
  set(DRAVIK_INSTALL_FUNCTIONS_ONLY ON)
  include(\"${CMAKE_CURRENT_LIST_FILE}\")
  dravik_write_desktop_entries(\"${CMAKE_SOURCE_DIR}\"
                               \"\${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo\"
                               \"${CMAKE_BINARY_DIR}/desktop-entries\")
")
foreach(entry IN LISTS DRAVIK_DESKTOP_ENTRIES)
  install(FILES ${CMAKE_BINARY_DIR}/desktop-entries/${entry}.desktop
          DESTINATION share/applications)
endforeach()

# The empty database, only where there is none. Not into a staging folder (DESTDIR): a
# database packaged there would overwrite the user's on the package's installation.
install(CODE "
  set(_db_dir \"\${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo\")
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    execute_process(COMMAND \"\${_db_dir}/dravik-create-db\" --if-missing RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR \"Creating the database in \${_db_dir} failed\")
    endif()
  else()
    message(STATUS \"Staged installation: run dravik-create-db --if-missing after installing\")
  endif()
")

# The check of the entries: for the configured prefix, and for a folder whose name needs every
# escape the entries know.
find_program(DRAVIK_DESKTOP_VALIDATE desktop-file-validate)
if(NOT DRAVIK_DESKTOP_VALIDATE)
  set(DRAVIK_DESKTOP_VALIDATE "")
endif()
add_test(NAME desktop_entries_valid
         COMMAND ${CMAKE_COMMAND} -DACTION=validate -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                 -DOUT_DIR=${CMAKE_BINARY_DIR}/desktop-check
                 -DVALIDATOR=${DRAVIK_DESKTOP_VALIDATE}
                 -DPROGRAM_DIR=${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo -P ${CMAKE_CURRENT_LIST_FILE})
set_tests_properties(desktop_entries_valid PROPERTIES LABELS unit)
