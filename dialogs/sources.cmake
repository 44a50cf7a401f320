# SPDX-License-Identifier: MIT
# Sources of dialogs/: LOGIC_SOURCES need no widget (QtCore at most); GUI_SOURCES are widgets and CLarkspur members.
list(APPEND LOGIC_SOURCES
  dialogs/ItemChecksums.cpp
  dialogs/ItemProperties.cpp
  dialogs/Search.cpp
)
list(APPEND GUI_SOURCES
  dialogs/CLarkspur_Dialogs.cpp
  dialogs/CAbout.cpp
  dialogs/CFind.cpp
  dialogs/CProperties.cpp
)
