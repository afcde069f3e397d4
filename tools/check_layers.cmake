# Fails when a source file includes a header of a layer it may not use:
# support stands alone, net and board use support, session uses net and
# board, app uses them all; net, support and session use no widgets. Every spelling of an include counts: blanks
# around the mark, <...> as well as "...", and a path that climbs with ".."
# is refused outright, since a quoted "../net/x.h" would be found beside the
# file whatever the include folders say.
# Run with -DROOT=<the project folder> and -DWIDGETS_DIR=<the QtWidgets
# headers' folder>.
cmake_minimum_required(VERSION 3.21)
set(layers support net board session app)
set(allowed_support support)
set(allowed_net support net)
set(allowed_board support board)
set(allowed_session support net board session)
set(allowed_app support net board session app)
# The project's other folders, which no layer may use either.
set(outside tests bench fuzz tools cmake desktop docs common)
set(widgetless support net session)

file(GLOB widget_headers RELATIVE "${WIDGETS_DIR}" "${WIDGETS_DIR}/*")
set(failures "")
foreach(layer ${layers})
  file(GLOB_RECURSE files "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(file ${files})
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"]")
        list(APPEND failures "${file}: an include the check cannot read: ${line}")
        continue()
      endif()
      set(path "${CMAKE_MATCH_1}")
      string(REGEX REPLACE "^[ \t]+|[ \t]+$" "" path "${path}")
      string(REGEX MATCH "^[^/]*" first "${path}")
      if(path MATCHES "(^|/)\\.\\.(/|$)" OR path MATCHES "^/")
        list(APPEND failures "${file}: a path that climbs out of its folder: ${line}")
      elseif(first IN_LIST layers AND NOT first IN_LIST allowed_${layer})
        list(APPEND failures "${file}: the ${layer} layer may not use ${first}/: ${line}")
      elseif(first IN_LIST outside)
        list(APPEND failures "${file}: the ${layer} layer may not use ${first}/: ${line}")
      elseif(layer IN_LIST widgetless AND (first STREQUAL "QtWidgets" OR path IN_LIST widget_headers))
        list(APPEND failures "${file}: the ${layer} layer uses no widgets: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "${report}")
endif()
