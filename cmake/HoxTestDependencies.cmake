# Libraries and data that only tests and benchmarks use: Embree as the ray
# tracing reference, tinyobjloader for real models, assimp's sample models.
# Nothing under src/ links any of them.
find_package(embree 3 REQUIRED)

if(NOT TARGET hox_tinyobjloader)
  add_library(hox_tinyobjloader INTERFACE)
  find_package(tinyobjloader CONFIG QUIET)
  if(TARGET tinyobjloader::tinyobjloader)
    target_link_libraries(hox_tinyobjloader INTERFACE tinyobjloader::tinyobjloader)
  else()
    find_path(HOX_TINYOBJLOADER_INCLUDE tiny_obj_loader.h REQUIRED)
    find_library(HOX_TINYOBJLOADER_LIBRARY tinyobjloader REQUIRED)
    target_include_directories(hox_tinyobjloader INTERFACE ${HOX_TINYOBJLOADER_INCLUDE})
    target_link_libraries(hox_tinyobjloader INTERFACE ${HOX_TINYOBJLOADER_LIBRARY})
  endif()
endif()

set(HOX_MODEL_DIR /usr/share/assimp/models CACHE PATH
    "Sample models (Debian package assimp-testmodels)")
