# Sources of the command-line tool besides cli/main.cpp.
set(CLI_SOURCES
  cli/CliCommon.cpp
  cli/BrowseCommands.cpp
  cli/ExtractCommand.cpp
)
