# Run by `cmake --install`: writes the desktop entry with the installed
# folder's paths into the folder, and into the user's menu
# ($XDG_DATA_HOME/applications, ~/.local/share/applications by default)
# unless the environment sets KOVRA_NO_MENU. Then grants port 571 when run
# as root. KOVRA_DESKTOP_TEMPLATE names the entry's template.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
# Values of the entry are strings, where a backslash is written twice.
function(kovra_entry_string variable text)
  string(REPLACE "\\" "\\\\" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()
# Exec is also a command line: the program's path in double quotes, with
# ", `, $ and \ escaped inside them and % doubled, so that a folder whose
# name holds a space or any other character still starts.
set(exec "${CMAKE_INSTALL_PREFIX}/kovra")
foreach(special "\\" "\"" "`" "$")
  string(REPLACE "${special}" "\\${special}" exec "${exec}")
endforeach()
string(REPLACE "%" "%%" exec "${exec}")
kovra_entry_string(KOVRA_EXEC "\"${exec}\"")
kovra_entry_string(KOVRA_FOLDER "${CMAKE_INSTALL_PREFIX}")
kovra_entry_string(KOVRA_ICON "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor/scalable/apps/kovra.svg")
configure_file("${KOVRA_DESKTOP_TEMPLATE}" "${folder}/share/applications/kovra.desktop" @ONLY)
message(STATUS "Installing: ${folder}/share/applications/kovra.desktop")

if(NOT DEFINED ENV{KOVRA_NO_MENU})
  if(DEFINED ENV{XDG_DATA_HOME} AND NOT "$ENV{XDG_DATA_HOME}" STREQUAL "")
    set(menu "$ENV{XDG_DATA_HOME}/applications")
  else()
    set(menu "$ENV{HOME}/.local/share/applications")
  endif()
  file(MAKE_DIRECTORY "${menu}")
  file(COPY_FILE "${folder}/share/applications/kovra.desktop" "${menu}/kovra.desktop")
  message(STATUS "Installing: ${menu}/kovra.desktop (the desktop's menu)")
endif()

# A copied binary loses the capability that lets it bind port 571.
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(uid STREQUAL "0")
  execute_process(COMMAND setcap cap_net_bind_service=+ep "${folder}/kovra" RESULT_VARIABLE failed)
endif()
if(NOT uid STREQUAL "0" OR failed)
  message(STATUS "To receive on port 571, once: sudo setcap cap_net_bind_service=+ep ${folder}/kovra")
endif()
