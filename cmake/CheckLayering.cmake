# cmake -DROOT=<source folder> -P CheckLayering.cmake
#
# Checks every C++ file under ROOT by its path (the layers and what each
# may use are in QuilletLayers.cmake):
# - a quoted #include of a file in a layer folder names a layer the
#   including file's layer may use;
# - product code never includes testing/; tests, benchmarks and fuzz
#   targets (files under tests/, bench/ or fuzz/ folders) may;
# - no file below widgets/ includes a Qt header.
# Prints each broken include with its file and line, and fails when there
# is one.
cmake_minimum_required(VERSION 3.25)
if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source folder> -P CheckLayering.cmake")
endif()
set(CMAKE_SOURCE_DIR ${ROOT})
include(${CMAKE_CURRENT_LIST_DIR}/QuilletLayers.cmake)

set(folders ${QUILLET_LAYERS} testing)
set(files "")
foreach(folder ${folders})
  if(EXISTS ${ROOT}/${folder})
    file(GLOB_RECURSE found LIST_DIRECTORIES false ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    list(APPEND files ${found})
  endif()
endforeach()

set(problems 0)
set(checked 0)
foreach(path ${files})
  file(RELATIVE_PATH rel ${ROOT} ${path})
  string(REGEX REPLACE "/.*" "" layer "${rel}")
  set(allowed ${QUILLET_USES_${layer}})
  if(rel MATCHES "/(tests|bench|fuzz)/")
    list(APPEND allowed testing)
  endif()
  file(STRINGS ${path} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    math(EXPR checked "${checked} + 1")
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"/]+)/[^\"]*\"")
      set(target_layer ${CMAKE_MATCH_1})
      if((target_layer IN_LIST QUILLET_LAYERS OR target_layer STREQUAL "testing")
         AND NOT target_layer IN_LIST allowed)
        message("${rel}: ${layer}/ may not include ${target_layer}/: ${line}")
        math(EXPR problems "${problems} + 1")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z0-9_]*)[>/]" AND layer IN_LIST QUILLET_LAYERS_WITHOUT_QT)
      message("${rel}: ${layer}/ is below widgets/ and may not include Qt: ${line}")
      math(EXPR problems "${problems} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
if(problems GREATER 0)
  message(FATAL_ERROR "${problems} include(s) break the layering (${count} files checked)")
endif()
message("layering: ${count} files, ${checked} includes, all within their layers")
