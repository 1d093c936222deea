#pragma once
// Printing a request file from the command line (--print, --print-to),
// without any window: on the printer the command line names, or the
// default one, or into a PDF file beside the file when there is no printer.

namespace corvella {

class CommandTable;
class Printing;
struct CommandLineInfo;

// True when the command line asks for printing (--print, --print-to).
bool IsPrintCommand(const CommandLineInfo& info);

// Prints the open document with ID_FILE_PRINT_DIRECT of `commands`, through
// `printing`, as `info` asks. False, with the reason on the terminal, on
// failure.
bool ShellPrint(Printing& printing, CommandTable& commands, const CommandLineInfo& info);

}  // namespace corvella
