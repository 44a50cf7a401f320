# SPDX-License-Identifier: MIT
# Sources of archive/: the archive library (standard library only).
list(APPEND ARCHIVE_SOURCES
  archive/ArchiveResults.cpp
  archive/CDataSource.cpp
  archive/CDump.cpp
  archive/CGCF.cpp
  archive/CGCFDirectory.cpp
  archive/CGCFStructures.cpp
  archive/CGuardedRead.cpp
  archive/CItemData.cpp
  archive/CMapping.cpp
  archive/CVPK.cpp
  archive/CVPKData.cpp
  archive/CVPKDirectory.cpp
  archive/CVPKTree.cpp
  archive/DataRuns.cpp
  archive/OpenArchive.cpp
)
