# Installed layout and the Debian package.
#
# The program finds its plug-ins and its manual beside the real executable
# (read from /proc/self/exe), so both executables live in a private folder
# with the Plugin folder, and bin/ holds relative symbolic links to them:
#
#   bin/vorlen, bin/vorlen-cli      -> ../lib/vorlen/vorlen, ../lib/vorlen/vorlen-cli
#   lib/vorlen/vorlen, vorlen-cli   the executables
#   lib/vorlen/Plugin/vorlen-*.so   image plug-ins
#   lib/vorlen/manual               -> ../../share/vorlen/manual
#   share/vorlen/manual/            the HTML manual with its screenshots/
#   share/applications/vorlen.desktop, share/icons/hicolor/*/apps/vorlen.*
#
# The manual is architecture-independent, so it goes under share/; not under
# share/doc/, which minimal Debian systems exclude from installation.
include(GNUInstallDirs)

set(VORLEN_INSTALL_PKGDIR "lib/vorlen" CACHE STRING
  "Private folder of the executables and their Plugin folder, relative to the prefix")
set(VORLEN_INSTALL_MANUALDIR "${CMAKE_INSTALL_DATADIR}/vorlen/manual" CACHE STRING
  "Folder of the HTML manual, relative to the prefix")
foreach(_dir VORLEN_INSTALL_PKGDIR VORLEN_INSTALL_MANUALDIR CMAKE_INSTALL_BINDIR)
  if(IS_ABSOLUTE "${${_dir}}")
    message(FATAL_ERROR "${_dir} must be relative to the prefix: the links between the folders are relative")
  endif()
endforeach()

# The manual beside the built executable too, so that help works uninstalled.
file(GLOB VORLEN_MANUAL_PAGES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/docs/manual/*.html ${CMAKE_SOURCE_DIR}/docs/manual/*.css)
# Only the screenshots the pages show: docs/screenshots holds others too.
set(VORLEN_MANUAL_PICTURES)
foreach(_page ${VORLEN_MANUAL_PAGES})
  file(STRINGS ${_page} _refs REGEX "screenshots/[A-Za-z0-9_.-]+\\.png")
  foreach(_line ${_refs})
    string(REGEX MATCHALL "screenshots/[A-Za-z0-9_.-]+\\.png" _found "${_line}")
    foreach(_ref ${_found})
      list(APPEND VORLEN_MANUAL_PICTURES ${CMAKE_SOURCE_DIR}/docs/${_ref})
    endforeach()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES VORLEN_MANUAL_PICTURES)
# A page that shows another picture must be read again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VORLEN_MANUAL_PAGES})

if(TARGET vorlen)
  set(_manual_out ${CMAKE_BINARY_DIR}/src/app/manual)
  add_custom_command(OUTPUT ${_manual_out}/.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_manual_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_manual_out}/screenshots
    COMMAND ${CMAKE_COMMAND} -E copy ${VORLEN_MANUAL_PAGES} ${_manual_out}/
    COMMAND ${CMAKE_COMMAND} -E copy ${VORLEN_MANUAL_PICTURES} ${_manual_out}/screenshots/
    COMMAND ${CMAKE_COMMAND} -E touch ${_manual_out}/.stamp
    DEPENDS ${VORLEN_MANUAL_PAGES} ${VORLEN_MANUAL_PICTURES}
    COMMENT "Copying the manual beside the executable")
  add_custom_target(vorlen_manual DEPENDS ${_manual_out}/.stamp)
  add_dependencies(vorlen vorlen_manual)
endif()

# Relative links, made in the build tree and installed as links.
function(vorlen_install_link name target destination)
  set(_link ${CMAKE_BINARY_DIR}/install-links/${destination}/${name})
  file(RELATIVE_PATH _rel /prefix/${destination} /prefix/${target})
  get_filename_component(_link_dir ${_link} DIRECTORY)
  file(MAKE_DIRECTORY ${_link_dir})
  file(CREATE_LINK ${_rel} ${_link} SYMBOLIC)
  install(FILES ${_link} DESTINATION ${destination})
endfunction()

set(_programs vorlen-cli)
if(TARGET vorlen)
  list(APPEND _programs vorlen)
endif()
install(TARGETS ${_programs} RUNTIME DESTINATION ${VORLEN_INSTALL_PKGDIR})
foreach(_program ${_programs})
  vorlen_install_link(${_program} ${VORLEN_INSTALL_PKGDIR}/${_program} ${CMAKE_INSTALL_BINDIR})
endforeach()

if(TARGET vorlen)
  foreach(_fmt ${VORLEN_PLUGINS})
    install(TARGETS vorlen-${_fmt} LIBRARY DESTINATION ${VORLEN_INSTALL_PKGDIR}/Plugin)
  endforeach()

  install(FILES ${VORLEN_MANUAL_PAGES} DESTINATION ${VORLEN_INSTALL_MANUALDIR})
  install(FILES ${VORLEN_MANUAL_PICTURES} DESTINATION ${VORLEN_INSTALL_MANUALDIR}/screenshots)
  vorlen_install_link(manual ${VORLEN_INSTALL_MANUALDIR} ${VORLEN_INSTALL_PKGDIR})

  install(FILES ${CMAKE_SOURCE_DIR}/data/vorlen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(_size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vorlen-${_size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps RENAME vorlen.png)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vorlen.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/data/man/vorlen.1 ${CMAKE_SOURCE_DIR}/data/man/vorlen-cli.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# cpack -G DEB: the dependencies are computed by dpkg-shlibdeps from the
# executables and plug-ins; Qt's platform plug-ins are loaded at run time, so
# they are named here.
set(VORLEN_PACKAGE_MAINTAINER "Vorlen Tiram developers <vorlen-tiram@users.noreply.invalid>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlen-tiram)
set(CPACK_PACKAGE_VENDOR "Vorlen Tiram")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VORLEN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web page resource browser and downloader (Japanese interface)")
set(CPACK_PACKAGE_DESCRIPTION "Vorlen Tiram opens a web page by its address and lists every file it
refers to: links, frames, scripts, images, background images, linked files
and addresses written in the text. Files are sent to download windows with
parallel, resumable queues; a cascade download follows links for a number
of levels and collects the files that match; a preview window shows images
without saving them. The user interface is in Japanese.
.
vorlen-cli is the command-line front end over the same engine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic, adwaita-icon-theme, shared-mime-info, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
