# SPDX-License-Identifier: MIT
# What an install (and the package) holds besides larkspur-cli: the window
# program, and what a desktop needs to offer "Open with Larkspur" for GCF
# files and VPK sets: its desktop entry, the application/x-gcf and
# application/x-vpk types, the program icon in
# the hicolor theme (PNG sizes and the scalable SVG) and the AppStream
# metainfo; the manual pages, bash completion for larkspur-cli, the file
# managers' extract entries, the README, the changelog and the copyright
# file. Included by the top CMakeLists.txt.

set(LARKSPUR_APP_ID org.larkspur.Larkspur)

if(TARGET larkspur)
  install(TARGETS larkspur RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(IconSize 16 32 48 64 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/images/larkspur-${IconSize}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${IconSize}x${IconSize}/apps
            RENAME larkspur.png)
  endforeach()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/images/larkspur.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/${LARKSPUR_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/larkspur-gcf.xml ${CMAKE_CURRENT_LIST_DIR}/larkspur-vpk.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${LARKSPUR_APP_ID}.metainfo.xml
                 ${PROJECT_BINARY_DIR}/${LARKSPUR_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${LARKSPUR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # Refresh the desktop's caches when installing into a live prefix. A
  # package leaves that to the triggers of the packages that own the caches,
  # so nothing is done for a staging DESTDIR or a CPack staging folder.
  install(CODE [[
    if(("$ENV{DESTDIR}" STREQUAL "") AND NOT CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
      set(Data "${CMAKE_INSTALL_PREFIX}/share")
      find_program(UpdateMime update-mime-database)
      if(UpdateMime)
        execute_process(COMMAND ${UpdateMime} "${Data}/mime" OUTPUT_QUIET ERROR_QUIET)
      endif()
      find_program(UpdateDesktop update-desktop-database)
      if(UpdateDesktop)
        execute_process(COMMAND ${UpdateDesktop} "${Data}/applications" OUTPUT_QUIET ERROR_QUIET)
      endif()
      find_program(UpdateIcons gtk-update-icon-cache)
      if(UpdateIcons)
        execute_process(COMMAND ${UpdateIcons} -q -t "${Data}/icons/hicolor" OUTPUT_QUIET ERROR_QUIET)
      endif()
    endif()
  ]])
endif()

# Manual pages, compressed as Debian keeps them (-n: no name or time stamp
# inside, so the same page gives the same bytes).
foreach(ManPage larkspur larkspur-cli)
  if(ManPage STREQUAL "larkspur" AND NOT TARGET larkspur)
    continue()
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/docs/${ManPage}.1.in ${PROJECT_BINARY_DIR}/man/${ManPage}.1 @ONLY)
  execute_process(COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/man/${ManPage}.1 COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${ManPage}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# "Extract Here" and "Extract to" a folder named after the archive, on a GCF
# file's context menu in Dolphin (KIO reads share/kio/servicemenus since KDE
# Frameworks 5.85, Debian 12's 5.103 included, and KF6 only there; a copy in
# the older share/kservices5/ServiceMenus as well would be read twice) and in
# Nemo. Both run larkspur-cli extract.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/larkspur-servicemenu.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/larkspur-extract-here.nemo_action
              ${CMAKE_CURRENT_LIST_DIR}/larkspur-extract-to-folder.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/larkspur-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME larkspur-cli)

# The about box's "Read Me" opens the README installed here.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/larkspur)

# The changelog, in Debian's format, compressed as Debian keeps it. Its
# newest entry names the version being built, or the package would claim
# changes it does not hold.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog LARKSPUR_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT LARKSPUR_CHANGELOG_TOP MATCHES "^larkspur \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/changelog begins with \"${LARKSPUR_CHANGELOG_TOP}\", "
                      "not with an entry for version ${PROJECT_VERSION}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${PROJECT_BINARY_DIR}/doc/changelog COPYONLY)
execute_process(COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/doc/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/larkspur)
