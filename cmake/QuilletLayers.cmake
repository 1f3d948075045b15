# The layers, lowest first. A file's top folder is its layer, and a layer
# uses only the layers below it (and itself):
#
#   platform   host services the program links
#   base       our foundation without Qt
#   store  imaging  reports
#              the engines, without application state; reports may use
#              the store and imaging, the store and imaging neither
#              each other nor reports
#   desktop    the program's logic without Qt
#   widgets    every Qt window and the kit they share
#   app        the main window, its manager and the parts list
#   programs  standins
#              the programs over everything; the stand-ins over platform
#
# testing/ is for tests and benchmarks only: any test may use it, no
# product code may.
#
# The build enforces the rule three ways: each library sees only the
# folders of the layers it may use (quillet_layer_includes below), so an
# upward #include does not compile; configuring fails on a link to a layer
# a target may not use (quillet_check_layers, called last); and the CTest
# "layering" checks every quoted #include by its path, header-only ones
# included, and that no Qt header is included below widgets/
# (cmake/CheckLayering.cmake).

set(QUILLET_LAYERS platform base store imaging reports desktop widgets app programs standins)
set(QUILLET_USES_platform platform)
set(QUILLET_USES_base platform base)
set(QUILLET_USES_store platform base store)
set(QUILLET_USES_imaging platform base imaging)
set(QUILLET_USES_reports platform base store imaging reports)
set(QUILLET_USES_desktop platform base store imaging reports desktop)
set(QUILLET_USES_widgets platform base store imaging reports desktop widgets)
set(QUILLET_USES_app platform base store imaging reports desktop widgets app)
set(QUILLET_USES_programs platform base store imaging reports desktop widgets app programs)
set(QUILLET_USES_standins platform standins)
set(QUILLET_USES_testing ${QUILLET_LAYERS} testing)
# Layers without Qt.
set(QUILLET_LAYERS_WITHOUT_QT platform base store imaging reports desktop)

# The layer of a folder of the source tree ("" for folders outside the
# layers: data, packaging, cmake).
function(quillet_layer_of_dir out dir)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
  string(REGEX REPLACE "/.*" "" top "${rel}")
  if(top IN_LIST QUILLET_LAYERS OR top STREQUAL "testing")
    set(${out} ${top} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

# The include folder of a layer: a folder of links to the folders of the
# layers it may use, so that "store/RecordStore.h" is found from the store
# and everything above it, and "app/WndMgr.h" from the app alone.
function(quillet_layer_view out layer)
  set(view ${CMAKE_BINARY_DIR}/layers/${layer})
  if(NOT EXISTS ${view})
    file(MAKE_DIRECTORY ${view})
  endif()
  foreach(used ${QUILLET_USES_${layer}})
    if(NOT EXISTS ${view}/${used} AND EXISTS ${CMAKE_SOURCE_DIR}/${used})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${used} ${view}/${used} SYMBOLIC)
    endif()
  endforeach()
  set(${out} ${view} PARENT_SCOPE)
endfunction()

# quillet_layer_includes(<target> [PUBLIC|PRIVATE])
# The target's headers are included by their paths from the source root,
# through the view of the layer of the folder that defines it. Libraries
# pass it on (PUBLIC, the default); programs and loaded libraries keep it.
function(quillet_layer_includes target)
  set(scope PUBLIC)
  if(ARGC GREATER 1)
    set(scope ${ARGV1})
  endif()
  quillet_layer_of_dir(layer ${CMAKE_CURRENT_SOURCE_DIR})
  if(layer STREQUAL "")
    message(FATAL_ERROR "${target}: ${CMAKE_CURRENT_SOURCE_DIR} is in no layer")
  endif()
  quillet_layer_view(view ${layer})
  target_include_directories(${target} ${scope} ${view})
endfunction()

function(quillet_collect_targets out dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    quillet_collect_targets(more ${sub})
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Called last: every target of ours links only what its layer may use
# (tests, benchmarks and fuzz targets may use testing/ too), no product
# target passes the whole source tree on, and each gets its layer's view.
function(quillet_check_layers)
  quillet_collect_targets(targets ${CMAKE_SOURCE_DIR})
  set(problems "")
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "UTILITY" OR type STREQUAL "INTERFACE_LIBRARY")
      continue()
    endif()
    get_target_property(dir ${t} SOURCE_DIR)
    quillet_layer_of_dir(layer ${dir})
    if(layer STREQUAL "")
      continue()
    endif()
    get_target_property(is_test ${t} QUILLET_TEST)
    set(allowed ${QUILLET_USES_${layer}})
    if(is_test)
      list(APPEND allowed testing)
    else()
      foreach(prop INCLUDE_DIRECTORIES INTERFACE_INCLUDE_DIRECTORIES)
        get_target_property(dirs ${t} ${prop})
        if(dirs AND "${CMAKE_SOURCE_DIR}" IN_LIST dirs AND NOT layer STREQUAL "testing")
          string(APPEND problems "\n  ${t} (${layer}) has the whole source tree in ${prop}")
        endif()
      endforeach()
      quillet_layer_view(view ${layer})
      set_property(TARGET ${t} APPEND PROPERTY INCLUDE_DIRECTORIES ${view})
    endif()
    set(links "")
    foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(more ${t} ${prop})
      if(more)
        list(APPEND links ${more})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES links)
    foreach(dep ${links})
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
      if(NOT TARGET ${dep})
        continue()
      endif()
      get_target_property(imported ${dep} IMPORTED)
      if(imported)
        continue()
      endif()
      get_target_property(dep_dir ${dep} SOURCE_DIR)
      quillet_layer_of_dir(dep_layer ${dep_dir})
      if(dep_layer STREQUAL "" OR dep_layer IN_LIST allowed)
        continue()
      endif()
      string(APPEND problems "\n  ${t} (${layer}) links ${dep} (${dep_layer})")
    endforeach()
  endforeach()
  if(problems)
    message(FATAL_ERROR "A layer may use only the layers below it (cmake/QuilletLayers.cmake):${problems}")
  endif()
endfunction()
