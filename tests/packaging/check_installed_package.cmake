# Installs the build tree into a fresh prefix and builds two hosts against
# what was installed: one with find_package(hox CONFIG), one with pkg-config.
# Both are run. Arguments (-D): BUILD_DIR, SOURCE_DIR, WORK_DIR, CXX.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  message(STATUS "${what}: ok")
endfunction()

run_step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(installed lib/libhox64.so lib/libhox64.so.2 lib/hoxstd64.so include/hox/hox.h
                  lib/cmake/hox/hoxConfig.cmake lib/cmake/hox/hoxConfigVersion.cmake
                  lib/cmake/hox/hoxTargets.cmake lib/pkgconfig/hox.pc)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# The SONAME carries the major version, so hosts bind to libhox64.so.2.
execute_process(COMMAND readelf -d ${prefix}/lib/libhox64.so OUTPUT_VARIABLE dynamic)
if(NOT dynamic MATCHES "SONAME\\)[^\n]*\\[libhox64\\.so\\.2\\]")
  message(FATAL_ERROR "libhox64.so has no SONAME libhox64.so.2:\n${dynamic}")
endif()

# The version file accepts 2.x requests and refuses another major version.
foreach(request 2.0 3.0)
  set(PACKAGE_FIND_VERSION ${request})
  string(REPLACE "." ";" _parts ${request})
  list(GET _parts 0 PACKAGE_FIND_VERSION_MAJOR)
  unset(PACKAGE_VERSION_COMPATIBLE)
  include(${prefix}/lib/cmake/hox/hoxConfigVersion.cmake)
  if(request VERSION_LESS 3.0 AND NOT PACKAGE_VERSION_COMPATIBLE)
    message(FATAL_ERROR "hox ${PACKAGE_VERSION} refused a request for ${request}")
  elseif(NOT request VERSION_LESS 3.0 AND PACKAGE_VERSION_COMPATIBLE)
    message(FATAL_ERROR "hox ${PACKAGE_VERSION} accepted a request for ${request}")
  endif()
endforeach()

# CMake: a separate project that knows hox only through the prefix.
run_step("configure consumer" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/cmake-host
         -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${CXX}
         -DCMAKE_PREFIX_PATH=${prefix})
run_step("build consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-host)
run_step("run consumer (CMake package)" ${WORK_DIR}/cmake-host/installed_host)

# pkg-config: flags from hox.pc only.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs hox RESULT_VARIABLE rc
                OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know hox")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run_step("compile with pkg-config" ${CXX} -std=c++17 ${SOURCE_DIR}/consumer/installed_host.cpp
         ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/pkg-config-host)
run_step("run consumer (pkg-config)" ${WORK_DIR}/pkg-config-host)
