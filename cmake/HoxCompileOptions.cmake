# Compile settings shared by every target of the project.

if(HOX_ASSERTS)
  # Release builds keep their assertions: a broken invariant must stop the
  # program where it happens, not corrupt a frame three calls later.
  foreach(var CMAKE_CXX_FLAGS_RELEASE CMAKE_C_FLAGS_RELEASE
              CMAKE_CXX_FLAGS_RELWITHDEBINFO CMAKE_C_FLAGS_RELWITHDEBINFO)
    string(REPLACE "-DNDEBUG" "" ${var} "${${var}}")
  endforeach()
endif()

add_library(hox_compile_options INTERFACE)
target_compile_options(hox_compile_options INTERFACE
  -Wall -Wextra
  -msse2
  $<$<BOOL:${HOX_WERROR}>:-Werror>)
target_compile_features(hox_compile_options INTERFACE cxx_std_17)

if(HOX_SANITIZE STREQUAL "address")
  set(_hox_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(HOX_SANITIZE STREQUAL "thread")
  set(_hox_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT HOX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "HOX_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_hox_san)
  # Applied globally so that tests, tools and plug-ins loaded at run time are
  # instrumented alike.
  add_compile_options(${_hox_san})
  add_link_options(${_hox_san})
endif()

# hox_add_layer(<name> DEPS <layers...>)
# One static library per folder of src/. A layer links only the layers it may
# include, so an include that points the wrong way fails to build.
function(hox_add_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT _sources)
    # A layer that has only headers so far.
    add_library(hox_${name} INTERFACE)
    target_include_directories(hox_${name}
      INTERFACE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(hox_${name} INTERFACE hox_compile_options ${ARG_SYSTEM})
    foreach(dep ${ARG_DEPS})
      target_link_libraries(hox_${name} INTERFACE hox_${dep})
    endforeach()
    return()
  endif()
  add_library(hox_${name} STATIC ${_sources})
  target_include_directories(hox_${name}
    PUBLIC  ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(hox_${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_definitions(hox_${name} PUBLIC HOX_BUILDING_LIBRARY)
  target_link_libraries(hox_${name} PUBLIC hox_compile_options ${ARG_SYSTEM})
  foreach(dep ${ARG_DEPS})
    target_link_libraries(hox_${name} PUBLIC hox_${dep})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY HOX_ARCHIVE_LAYERS hox_${name})
endfunction()
