# Sources of the command-line tool besides cli/main.cpp.
set(CLI_SOURCES
  cli/CliArchive.cpp
  cli/BrowseCommands.cpp
  cli/ExtractCommand.cpp
)
