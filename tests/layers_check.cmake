# The layer check itself: on a copy of the program's folders it passes as
# they are, and it fails for each way of reaching against the grain.
# Run with -DROOT, -DWIDGETS_DIR (as the check takes them) and -DWORK, an
# empty folder to copy into.
cmake_minimum_required(VERSION 3.21)
set(check "${ROOT}/tools/check_layers.cmake")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
foreach(layer support net board session app)
  file(COPY "${ROOT}/${layer}" DESTINATION "${WORK}")
endforeach()
file(COPY "${ROOT}/tools" DESTINATION "${WORK}")

function(run_check outcome)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DROOT=${WORK} -DWIDGETS_DIR=${WIDGETS_DIR} -P
                          "${WORK}/tools/check_layers.cmake"
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  set(${outcome} ${result} PARENT_SCOPE)
endfunction()

run_check(result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the check fails on the program as it is")
endif()

# file | line planted at its end
set(cases
  "board/canvas.h|#include \"net/command.h\""
  "board/canvas.h|#include \"../net/command.h\""
  "board/canvas.cpp|#  include \"net/command.h\""
  "board/tools/tool.h|  #include   \"../../net/fan_out.h\""
  "board/raster.h|#include <net/command.h>"
  "board/colors.h|#include \"board/../net/fan_out.h\""
  "net/fan_out.h|#include \"board/canvas.h\""
  "net/fan_out.h|#include \"session/session_roster.h\""
  "session/session_roster.h|#include \"app/main_window.h\""
  "session/board_sync.h|#include <QWidget>"
  "net/fan_out.h|#include \"app/main_window.h\""
  "net/fan_out.h|#include <QWidget>"
  "net/fan_out.cpp|#include <QtWidgets/QLabel>"
  "support/text.h|#include \"net/command.h\""
  "support/text.h|#include <QMainWindow>"
  "app/main_window.h|#include \"tests/common/test_window.h\""
  "board/canvas.h|#include KOVRA_SOMEWHERE")
foreach(case ${cases})
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 file)
  list(GET fields 1 line)
  file(READ "${WORK}/${file}" original)
  file(APPEND "${WORK}/${file}" "${line}\n")
  run_check(result)
  file(WRITE "${WORK}/${file}" "${original}")
  if(result EQUAL 0)
    message(FATAL_ERROR "the check lets through, in ${file}: ${line}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
