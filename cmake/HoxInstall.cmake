# What `cmake --install` puts under the prefix:
#   lib/libhox64.so.2.0.5 (+ SONAME link libhox64.so.2 and dev link libhox64.so)
#   lib/hoxstd64.so       the standard shaders, beside the library that finds them
#   include/hox/*.h       the public interface
#   lib/cmake/hox/        find_package(hox CONFIG) -> imported target hox::hox64
#   lib/pkgconfig/hox.pc  for builds without CMake
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The public headers are C++17.
target_compile_features(hox64 INTERFACE cxx_std_17)

install(TARGETS hox64 EXPORT hoxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/hox
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")

set(HOX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/hox)
install(EXPORT hoxTargets NAMESPACE hox:: DESTINATION ${HOX_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/hoxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/hoxConfig.cmake
  INSTALL_DESTINATION ${HOX_CMAKE_DIR})
# Hosts built for 2.x keep working with any later 2.x: the major number is the
# SONAME's, the one that changes when the binary interface does.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/hoxConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/hoxConfig.cmake ${PROJECT_BINARY_DIR}/hoxConfigVersion.cmake
  DESTINATION ${HOX_CMAKE_DIR})

# pkg-config paths relative to ${prefix}, so that a relocated prefix still works.
file(RELATIVE_PATH HOX_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
configure_file(${CMAKE_CURRENT_LIST_DIR}/hox.pc.in ${PROJECT_BINARY_DIR}/hox.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/hox.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
