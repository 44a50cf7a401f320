# SPDX-License-Identifier: MIT
# Sources of the command-line tool's library (the cli target): every command,
# its output and its command line. The program itself is cli/main.cpp.
set(CLI_SOURCES
  cli/BrowseCommands.cpp
  cli/CheckCommands.cpp
  cli/CliArchive.cpp
  cli/CliCommandLine.cpp
  cli/CliInterrupt.cpp
  cli/CMountTree.cpp
  cli/CProcessOutput.cpp
  cli/DataCommands.cpp
  cli/ExtractCommand.cpp
  cli/MountCommand.cpp
)
# The FUSE server of the mount command, where libfuse3 is there.
set(CLI_FUSE_SOURCES
  cli/CFolderReadAhead.cpp
  cli/CMountServer.cpp
)
