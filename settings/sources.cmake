# SPDX-License-Identifier: MIT
# Sources of settings/: LOGIC_SOURCES need no widget (QtCore at most); GUI_SOURCES are widgets and CLarkspur members.
list(APPEND LOGIC_SOURCES
  settings/CConfigFile.cpp
  settings/CFormPlacement.cpp
  settings/CProgramFiles.cpp
  settings/CRecentFiles.cpp
)
list(APPEND GUI_SOURCES
  settings/CLarkspur_Settings.cpp
)
