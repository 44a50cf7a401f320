# SPDX-License-Identifier: MIT
# Sources of extract/: LOGIC_SOURCES need no widget (QtCore at most); GUI_SOURCES are widgets and CLarkspur members.
list(APPEND LOGIC_SOURCES
  extract/CCommandScope.cpp
  extract/CExtractCommand.cpp
  extract/CExtraction.cpp
  extract/CExtraction_File.cpp
  extract/COutputFile.cpp
  extract/CReadAhead.cpp
  extract/CTempFolder.cpp
  extract/CTempFolder_Delete.cpp
  extract/TempSpace.cpp
)
list(APPEND GUI_SOURCES
  extract/CAbort.cpp
  extract/CLarkspur_Extract.cpp
  extract/CLarkspur_OpenWith.cpp
)
