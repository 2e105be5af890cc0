# The install layout (Filesystem Hierarchy Standard, Debian policy) and the functions every shipped
# file goes through. Each function also records what the package must contain in the install
# manifest (build/packaging/manifest.txt, paths below the package root), which the package checks
# compare with the unpacked package: a file that is installed but missing there, or a program
# without its man page or completion, fails them.
#
#   programs         bin/                          varnook_install_program()
#   own libraries    lib/<multiarch>/varnook/      varnook_install_library(); programs find them
#                                                  through a relative RPATH ($ORIGIN), never
#                                                  through LD_LIBRARY_PATH
#   data             share/varnook/                varnook_install_data()
#   Python module    lib/python3/dist-packages/    varnook_install_python_module()
#   examples         share/doc/varnook/examples/   varnook_install_examples()
#   man pages        share/man/man1/               with their program
#   bash completion  share/bash-completion/completions/
#
# The layout below the prefix is the same for every prefix, so a build tree configured for
# /usr/local installs the package layout with `cmake --install BUILD --prefix /usr`.

if(CMAKE_LIBRARY_ARCHITECTURE)
  set(VARNOOK_INSTALL_PRIVLIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}/varnook")
else()
  set(VARNOOK_INSTALL_PRIVLIBDIR "lib/varnook")
endif()
set(VARNOOK_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/varnook")
set(VARNOOK_INSTALL_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/varnook")
set(VARNOOK_INSTALL_PYTHONDIR "lib/python3/dist-packages")
set(VARNOOK_INSTALL_EXAMPLESDIR "${VARNOOK_INSTALL_DOCDIR}/examples")
set(VARNOOK_INSTALL_COMPLETIONDIR "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")

# The RPATH that leads from an installed folder to the private library folder.
function(varnook_rpath_from folder out)
  file(RELATIVE_PATH rel "/${folder}" "/${VARNOOK_INSTALL_PRIVLIBDIR}")
  if(rel STREQUAL "")
    set(${out} "$ORIGIN" PARENT_SCOPE)
  else()
    set(${out} "$ORIGIN/${rel}" PARENT_SCOPE)
  endif()
endfunction()

function(_varnook_ship)
  set_property(GLOBAL APPEND PROPERTY VARNOOK_MANIFEST ${ARGN})
endfunction()

# varnook_install_program(TARGET MAN PAGE.1 COMPLETION FILE.bash)
# A program in bin/ with its man page (named after the program, section 1; @PROJECT_VERSION@ in
# it is replaced) and its bash completion.
function(varnook_install_program target)
  cmake_parse_arguments(ARG "" "MAN;COMPLETION" "" ${ARGN})
  if(NOT ARG_MAN OR NOT ARG_COMPLETION)
    message(FATAL_ERROR "varnook_install_program(${target}): a shipped program needs MAN and COMPLETION")
  endif()
  get_filename_component(page "${ARG_MAN}" NAME)
  if(NOT page STREQUAL "${target}.1")
    message(FATAL_ERROR "varnook_install_program(${target}): the man page must be named ${target}.1")
  endif()
  varnook_rpath_from("${CMAKE_INSTALL_BINDIR}" rpath)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Man pages carry the project's version (@PROJECT_VERSION@).
  configure_file(${ARG_MAN} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${ARG_COMPLETION} DESTINATION ${VARNOOK_INSTALL_COMPLETIONDIR} RENAME ${target})
  _varnook_ship("program usr/${CMAKE_INSTALL_BINDIR}/${target}"
                "file usr/${CMAKE_INSTALL_MANDIR}/man1/${target}.1.gz"
                "file usr/${VARNOOK_INSTALL_COMPLETIONDIR}/${target}")
endfunction()

# varnook_install_library(TARGET): one of our shared libraries or component libraries, in the
# private library folder; it finds its neighbours there through RPATH $ORIGIN.
function(varnook_install_library target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} LIBRARY DESTINATION ${VARNOOK_INSTALL_PRIVLIBDIR})
  _varnook_ship("library usr/${VARNOOK_INSTALL_PRIVLIBDIR}/$<TARGET_FILE_NAME:${target}>")
endfunction()

# varnook_install_data([FILES f...] [DIRECTORY d] [SUBDIR s]): data in share/varnook[/s]. A
# DIRECTORY is installed with its content under its own name (or SUBDIR).
function(varnook_install_data)
  cmake_parse_arguments(ARG "" "DIRECTORY;SUBDIR" "FILES" ${ARGN})
  set(dest "${VARNOOK_INSTALL_DATADIR}")
  if(ARG_DIRECTORY)
    get_filename_component(name "${ARG_DIRECTORY}" NAME)
    if(ARG_SUBDIR)
      set(name "${ARG_SUBDIR}")
    endif()
    install(DIRECTORY ${ARG_DIRECTORY}/ DESTINATION ${dest}/${name})
    _varnook_ship("directory usr/${dest}/${name}")
  endif()
  if(ARG_SUBDIR AND NOT ARG_DIRECTORY)
    set(dest "${dest}/${ARG_SUBDIR}")
  endif()
  foreach(f IN LISTS ARG_FILES)
    get_filename_component(name "${f}" NAME)
    install(FILES ${f} DESTINATION ${dest})
    _varnook_ship("file usr/${dest}/${name}")
  endforeach()
endfunction()

# varnook_install_python_module(TARGET): a Python extension module (for example one made with
# pybind11_add_module) in dist-packages, finding our libraries through its RPATH. The package then
# depends on the Python version the module was built for.
function(varnook_install_python_module target)
  varnook_rpath_from("${VARNOOK_INSTALL_PYTHONDIR}" rpath)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
  install(TARGETS ${target} LIBRARY DESTINATION ${VARNOOK_INSTALL_PYTHONDIR})
  _varnook_ship("library usr/${VARNOOK_INSTALL_PYTHONDIR}/$<TARGET_FILE_NAME:${target}>")
  if(Python3_VERSION_MAJOR AND Python3_VERSION_MINOR)
    math(EXPR next "${Python3_VERSION_MINOR} + 1")
    varnook_package_depends(
      "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~)"
      "python3 (<< ${Python3_VERSION_MAJOR}.${next})")
  else()
    varnook_package_depends(python3)
  endif()
endfunction()

# varnook_install_examples(FILES f...): scripts for administrators, in share/doc/varnook/examples.
function(varnook_install_examples)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  foreach(f IN LISTS ARG_FILES)
    get_filename_component(name "${f}" NAME)
    install(FILES ${f} DESTINATION ${VARNOOK_INSTALL_EXAMPLESDIR})
    _varnook_ship("file usr/${VARNOOK_INSTALL_EXAMPLESDIR}/${name}")
  endforeach()
endfunction()

# varnook_package_depends(DEPENDENCY...): a package the Debian package depends on beyond the
# libraries its programs link (dpkg-shlibdeps finds those), e.g. a program it runs.
function(varnook_package_depends)
  set_property(GLOBAL APPEND PROPERTY VARNOOK_PACKAGE_DEPENDS ${ARGN})
endfunction()

# Writes build/packaging/manifest.txt ("KIND PATH" lines), build/packaging/depends.txt and
# build/packaging/release.env (version and release date, for scripts/package). Called once, after
# every folder has been added.
function(varnook_write_install_manifest)
  get_property(lines GLOBAL PROPERTY VARNOOK_MANIFEST)
  get_property(depends GLOBAL PROPERTY VARNOOK_PACKAGE_DEPENDS)
  list(SORT lines)
  list(JOIN lines "\n" text)
  list(JOIN depends "\n" deps)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/manifest.txt CONTENT "${text}\n")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/depends.txt CONTENT "${deps}\n")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/release.env
       CONTENT "VARNOOK_VERSION=${PROJECT_VERSION}\nVARNOOK_RELEASE_DATE=${VARNOOK_RELEASE_DATE}\n")
endfunction()
