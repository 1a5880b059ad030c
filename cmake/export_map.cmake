# kj_export_map(header output [extra...]): writes a linker version script that
# exports exactly the functions `header` declares with KJ_API (and the extra
# symbol names) and hides everything else (template instances and library
# internals included).
function(kj_export_map header output)
  file(READ ${header} text)
  string(REGEX MATCHALL "KJ_API[^;(#]*\\(" decls "${text}")
  set(body "")
  foreach(decl ${decls})
    string(REGEX MATCH "([A-Za-z_][A-Za-z_0-9]*)[ \t]*\\($" _ "${decl}")
    set(name "${CMAKE_MATCH_1}")
    if(name AND NOT name MATCHES "^__")  # not the macro's own definition
      string(APPEND body "    ${name};\n")
    endif()
  endforeach()
  foreach(name ${ARGN})
    string(APPEND body "    ${name};\n")
  endforeach()
  file(CONFIGURE OUTPUT ${output} CONTENT "{\n  global:\n${body}  local:\n    *;\n};\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
