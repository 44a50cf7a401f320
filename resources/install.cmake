# Installs the window program with what a desktop needs to offer "Open with
# Larkspur" for *.gcf files: the program, its icon in the hicolor theme, a
# desktop entry and the application/x-gcf type. Included by the top
# CMakeLists.txt.

if(TARGET larkspur)
  install(TARGETS larkspur RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(IconSize 16 32 48 64 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/images/larkspur-${IconSize}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${IconSize}x${IconSize}/apps
            RENAME larkspur.png)
  endforeach()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/larkspur.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/larkspur-gcf.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

  # Refresh the desktop's caches when installing into a live prefix (not into
  # a staging DESTDIR, where the caches belong to the package's own scripts).
  install(CODE [[
    if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
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

# The about box links to the documentation installed here.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/larkspur)
