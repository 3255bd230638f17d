# Compares what libhox64.so exports with the committed list
# exported_symbols.txt, and checks that every export belongs to the public
# interface (namespace hox, or the type data of its classes).
# Arguments (-D): LIBRARY, LIST; EXACT=OFF checks the namespace only
# (sanitizer builds emit type data of more interface classes). With -DUPDATE=ON the list is rewritten from
# the library instead (after a deliberate change of the interface).
execute_process(COMMAND nm -D --defined-only -C ${LIBRARY}
                RESULT_VARIABLE rc OUTPUT_VARIABLE nm_out ERROR_VARIABLE nm_err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}: ${nm_err}")
endif()

# "address type name" -> "name". Absolute symbols (type A: the version node
# the linker adds) are not code or data of the library.
string(REPLACE ";" "\\;" nm_out "${nm_out}")
string(REPLACE "\n" ";" nm_lines "${nm_out}")
set(exported "")
foreach(line IN LISTS nm_lines)
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
    if(NOT CMAKE_MATCH_1 STREQUAL "A")
      list(APPEND exported "${CMAKE_MATCH_2}")
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES exported)
list(SORT exported)
list(LENGTH exported count)

set(strays "")
foreach(symbol IN LISTS exported)
  if(NOT symbol MATCHES "^(hox::|typeinfo for hox::|typeinfo name for hox::|vtable for hox::)")
    string(APPEND strays "  ${symbol}\n")
  endif()
endforeach()
if(strays)
  message(FATAL_ERROR "libhox64.so exports symbols outside the public interface:\n${strays}")
endif()

if(UPDATE)
  string(REPLACE ";" "\n" body "${exported}")
  file(WRITE ${LIST} "# Symbols exported by libhox64.so, demangled (nm -D --defined-only -C),\n"
                     "# sorted. Regenerate with tests/packaging/update_exported_symbols.sh.\n"
                     "${body}\n")
  message(STATUS "wrote ${count} symbols to ${LIST}")
  return()
endif()

if(DEFINED EXACT AND NOT EXACT)
  message(STATUS "libhox64.so exports ${count} symbols, all of the public interface")
  return()
endif()

file(STRINGS ${LIST} expected REGEX "^[^#]")
set(missing "")
foreach(symbol IN LISTS expected)
  list(FIND exported "${symbol}" at)
  if(at EQUAL -1)
    string(APPEND missing "  ${symbol}\n")
  endif()
endforeach()
set(extra "")
foreach(symbol IN LISTS exported)
  list(FIND expected "${symbol}" at)
  if(at EQUAL -1)
    string(APPEND extra "  ${symbol}\n")
  endif()
endforeach()
if(missing OR extra)
  message(FATAL_ERROR "exports of libhox64.so differ from ${LIST}\n"
                      "no longer exported:\n${missing}newly exported:\n${extra}"
                      "If the interface changed on purpose, regenerate the list.")
endif()
message(STATUS "libhox64.so exports exactly the ${count} listed symbols")
