# Installing for the user: the program folder (the programs, the workbook, the database beside
# them), freedesktop menu entries and the logo as an icon of the hicolor theme.
#
#   cmake --install build --prefix ~/.local     (./dravik.sh install does this and more)
#
# The program folder is PREFIX/lib/dravik-lumo and must be writable by the user: the database
# lives there. An installation never overwrites an existing dravik.mdb; it only makes one where
# none is. The workbook is the user's once they save their answers in it: it is installed as a
# package manager installs a configuration file (dravik_install_user_file below).
#
# This file serves three ways: included from the top-level CMakeLists.txt it declares the rules
# and the check of the entries; with DRAVIK_INSTALL_FUNCTIONS_ONLY set it only defines the
# functions of the install step; run with `cmake -P` and ACTION set it validates the entries
# (ACTION=validate) or removes an installation (ACTION=uninstall).

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

# Puts the file source into dir unless the user changed the copy there. The checksum of the copy
# put down is kept beside it as .NAME.shipped: a copy that still has it is replaced by a newer
# one; a changed copy stays, and a newer shipped file goes beside it as NAME.dist, said in one
# line. A macro, so that file(INSTALL) records what it puts down in the caller's manifest.
macro(dravik_install_user_file source dir)
  get_filename_component(_uf_name "${source}" NAME)
  set(_uf_target "${dir}/${_uf_name}")
  set(_uf_record "${dir}/.${_uf_name}.shipped")
  file(SHA256 "${source}" _uf_shipped)
  set(_uf_installed "")
  if(EXISTS "${_uf_record}")
    file(READ "${_uf_record}" _uf_installed)
    string(STRIP "${_uf_installed}" _uf_installed)
  endif()
  set(_uf_current "")
  if(EXISTS "${_uf_target}")
    file(SHA256 "${_uf_target}" _uf_current)
  endif()
  if(_uf_current STREQUAL "" OR _uf_current STREQUAL _uf_installed
     OR _uf_current STREQUAL _uf_shipped)
    file(INSTALL "${source}" DESTINATION "${dir}")
    file(WRITE "${_uf_record}" "${_uf_shipped}\n")
    file(REMOVE "${_uf_target}.dist")
  else()
    # The user's copy is still the installation's: uninstall looks at it (and keeps it).
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_uf_target}")
    if(_uf_shipped STREQUAL _uf_installed)
      message(STATUS "Kept your changed ${_uf_target}")
    else()
      file(INSTALL "${source}" DESTINATION "${dir}" RENAME "${_uf_name}.dist")
      message(NOTICE "Kept your changed ${_uf_target}; this version's is beside it as "
                     "${_uf_name}.dist")
    endif()
  endif()
endmacro()

if(DRAVIK_INSTALL_FUNCTIONS_ONLY)
  return()
endif()

# Removes one file an installation put down, unless it must stay: the database, a file the office
# has open (its lock file beside it) or a file of the user's they changed.
function(dravik_uninstall_file file)
  get_filename_component(name "${file}" NAME)
  get_filename_component(dir "${file}" DIRECTORY)
  if(name MATCHES "^dravik\\.mdb" OR NOT (EXISTS "${file}" OR IS_SYMLINK "${file}"))
    return()
  endif()
  # The office's lock file beside a file says the office has it open: it stays, and so does the
  # lock, which is the office's.
  if(EXISTS "${dir}/.~lock.${name}#")
    message(NOTICE "Kept ${file}: it is open in Calc (close it there, then uninstall again)")
    return()
  endif()
  # A file of the user's (see dravik_install_user_file) stays once they changed it.
  set(record "${dir}/.${name}.shipped")
  if(EXISTS "${record}")
    file(READ "${record}" shipped)
    string(STRIP "${shipped}" shipped)
    file(SHA256 "${file}" current)
    # This version's copy put beside it goes in any case.
    file(REMOVE "${file}.dist")
    if(NOT current STREQUAL shipped)
      message(NOTICE "Kept ${file}: you changed it (it holds your saved answers)")
      return()
    endif()
    file(REMOVE "${record}")
  endif()
  message(STATUS "Removing ${file}")
  file(REMOVE "${file}")
endfunction()

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
    # folder; the database is never among it and stays. Each path is taken whole, a line at a
    # time, whatever characters it holds (CMake's lists would split one at a ";").
    set(program_dir "${PREFIX}/lib/dravik-lumo")
    set(manifest "${program_dir}/.install-manifest")
    if(EXISTS "${manifest}")
      file(READ "${manifest}" listed)
      string(LENGTH "${listed}" left)
      while(left GREATER 0)
        string(FIND "${listed}" "\n" end)
        if(end EQUAL -1)
          set(end ${left})
        endif()
        string(SUBSTRING "${listed}" 0 ${end} file)
        math(EXPR next "${end} + 1")
        if(next GREATER left)
          set(next ${left})
        endif()
        string(SUBSTRING "${listed}" ${next} -1 listed)
        string(LENGTH "${listed}" left)
        if(NOT file STREQUAL "")
          dravik_uninstall_file("${file}")
        endif()
      endwhile()
    else()
      message(STATUS "No installation manifest in ${program_dir}; removing the known files")
      foreach(name dravik-lumo dravik-create-db dravik-toc-report dravik-lumo-calc.so
                   Dravik-Lumo-Report.ott dravik-report-copy.oxt register-extension.sh
                   register_extension.py)
        dravik_uninstall_file("${program_dir}/${name}")
      endforeach()
      file(GLOB books RELATIVE "${program_dir}" "${program_dir}/*.tabb" "${program_dir}/*.tabb.dist")
      foreach(name IN LISTS books)
        dravik_uninstall_file("${program_dir}/${name}")
      endforeach()
    endif()
    foreach(entry IN LISTS DRAVIK_DESKTOP_ENTRIES)
      dravik_uninstall_file("${PREFIX}/share/applications/${entry}.desktop")
    endforeach()
    foreach(size 48 64 128)
      dravik_uninstall_file("${PREFIX}/share/icons/hicolor/${size}x${size}/apps/dravik-lumo.png")
    endforeach()
    file(GLOB pages "${PREFIX}/share/man/man1/dravik-*.1")
    foreach(page IN LISTS pages)
      dravik_uninstall_file("${page}")
    endforeach()
    dravik_uninstall_file("${manifest}")
    # The program folder goes only when nothing is left in it.
    file(GLOB left "${program_dir}/*" "${program_dir}/.*")
    if(IS_DIRECTORY "${program_dir}" AND NOT left)
      file(REMOVE_RECURSE "${program_dir}")
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
  include([==[${CMAKE_CURRENT_LIST_FILE}]==])
  dravik_write_desktop_entries([==[${CMAKE_SOURCE_DIR}]==]
                               \"\${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo\"
                               [==[${CMAKE_BINARY_DIR}/desktop-entries]==])
")
foreach(entry IN LISTS DRAVIK_DESKTOP_ENTRIES)
  install(FILES ${CMAKE_BINARY_DIR}/desktop-entries/${entry}.desktop
          DESTINATION share/applications)
endforeach()

# The empty database, only where there is none. Not into a staging folder (DESTDIR): a
# database packaged there would overwrite the user's on the package's installation. The folder
# and the records in it are the user's alone.
install(CODE "
  set(_db_dir \"\${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo\")
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    execute_process(COMMAND \"\${_db_dir}/dravik-create-db\" --if-missing RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR \"Creating the database in \${_db_dir} failed\")
    endif()
    file(CHMOD \"\${_db_dir}\" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(CHMOD \"\${_db_dir}/dravik.mdb\" PERMISSIONS OWNER_READ OWNER_WRITE)
  else()
    message(STATUS \"Staged installation: run dravik-create-db --if-missing after installing\")
  endif()
")

# Last of the rules: the list of what this installation put down, beside the programs, so that
# uninstall knows it without the build (not for a staging folder: a package lists its own).
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    list(JOIN CMAKE_INSTALL_MANIFEST_FILES \"\\n\" _dravik_installed)
    file(WRITE \"\${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo/.install-manifest\" \"\${_dravik_installed}\\n\")
  endif()
")

# The check of the entries: for the configured prefix, and for a folder whose name needs every
# escape the entries know.
if(BUILD_TESTING)
  find_program(DRAVIK_DESKTOP_VALIDATE desktop-file-validate)
  if(NOT DRAVIK_DESKTOP_VALIDATE)
    set(DRAVIK_DESKTOP_VALIDATE "")
  endif()
  add_test(NAME desktop_entries_valid
           COMMAND ${CMAKE_COMMAND} -DACTION=validate -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                   -DOUT_DIR=${CMAKE_BINARY_DIR}/desktop-check
                   -DVALIDATOR=${DRAVIK_DESKTOP_VALIDATE}
                   -DPROGRAM_DIR=${CMAKE_INSTALL_PREFIX}/lib/dravik-lumo
                   -P ${CMAKE_CURRENT_LIST_FILE})
  set_tests_properties(desktop_entries_valid PROPERTIES LABELS unit)
endif()
