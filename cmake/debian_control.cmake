# SPDX-License-Identifier: GPL-3.0-or-later
# Reads debian/control for the CPack route, so that both routes to the package state the same
# section, homepage, relations and description. Sets DEBIAN_<Field> for every field of the
# file (the source and the binary paragraph have no field names in common), with the
# continuation lines of a folded field joined by newlines.
function(read_debian_control)
  file(STRINGS ${PROJECT_SOURCE_DIR}/debian/control lines)
  set(field "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z-]+):[ ]*(.*)$")
      set(field ${CMAKE_MATCH_1})
      set(DEBIAN_${field} "${CMAKE_MATCH_2}")
      list(APPEND fields ${field})
    elseif(field AND line MATCHES "^ (.*)$")
      string(APPEND DEBIAN_${field} "\n${CMAKE_MATCH_1}")
    endif()
  endforeach()
  foreach(field IN LISTS fields)
    set(DEBIAN_${field} "${DEBIAN_${field}}" PARENT_SCOPE)
  endforeach()
endfunction()

# A relation field as CPack takes it: one line, without the substitution variables that
# debhelper fills in (CPack finds the shared libraries itself).
function(debian_relations field out)
  string(REGEX REPLACE "\\$\\{[^}]*\\},?" "" value "${field}")
  string(REGEX REPLACE "[ \n]+" " " value "${value}")
  string(STRIP "${value}" value)
  string(REGEX REPLACE ",$" "" value "${value}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
