# Finding what the build needs. A missing dependency stops the configure
# with the Debian package to install (scripts/dev.sh installs them all).

# quillet_require_package(NAME DEBIAN_PACKAGE [find_package arguments...])
macro(quillet_require_package name deb)
  find_package(${name} ${ARGN} QUIET)
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "${name} was not found. Install the Debian package ${deb} "
                        "(sudo apt install ${deb}), or run scripts/dev.sh, which installs "
                        "everything the build needs.")
  endif()
endmacro()

# quillet_require_pkgconfig(PREFIX MODULE DEBIAN_PACKAGE): PkgConfig::PREFIX.
macro(quillet_require_pkgconfig prefix module deb)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    message(FATAL_ERROR "${module} was not found. Install the Debian package ${deb} "
                        "(sudo apt install ${deb}), or run scripts/dev.sh, which installs "
                        "everything the build needs.")
  endif()
endmacro()

# quillet_require_qt(COMPONENT DEBIAN_PACKAGE ...): pairs of a Qt 6 module
# and the package that brings it.
macro(quillet_require_qt)
  set(_quillet_qt_args ${ARGN})
  while(_quillet_qt_args)
    list(POP_FRONT _quillet_qt_args _component _deb)
    find_package(Qt6 QUIET COMPONENTS ${_component})
    if(NOT Qt6${_component}_FOUND)
      message(FATAL_ERROR "Qt 6 ${_component} was not found. Install the Debian package "
                          "${_deb} (sudo apt install ${_deb}), or run scripts/dev.sh, which "
                          "installs everything the build needs.")
    endif()
  endwhile()
endmacro()
