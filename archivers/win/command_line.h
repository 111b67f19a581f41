// The command lines the libraries take: a command letter or switches, then
// quoted paths, and "@name" response files listing more names.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "archivers/core/status.h"

namespace arc {

struct CommandLine {
  std::string command;                // "x", "a", "s", "t", "e" or empty (unzip32, zip32j)
  std::vector<std::string> switches;  // as written, with their '-' ("-d1a1" stays one)
  std::vector<std::string> paths;     // the archive, then the folder, then files
};

// Reads a response file's text (resolved against the current folder); false
// when it cannot be read.
using ReadResponse = std::function<bool(const std::string& name, std::string& text)>;

// Splits `line` at blanks outside double quotes. A token starting with '-'
// (unquoted) is a switch; "@name" (quoted or not) names a response file whose
// lines (each one name, quoted or not; blank lines ignored) are added to the
// paths; with `letterCommand` a first single-letter token is the command.
Status ParseCommandLine(const char* line, bool letterCommand, const ReadResponse& readResponse, CommandLine& out);

// The last part of a path (after '\' or '/', code page 932 aware unless the
// caller's text is UTF-8) and the folder before it (with its separator).
std::string PathName(const std::string& path);
std::string PathFolder(const std::string& path);

// A path with its last extension cut ("a\b.tar.gz" -> "a\b.tar").
std::string WithoutExtension(const std::string& path);

// True when the path ends in a separator (not a trail byte).
bool EndsWithSeparator(const std::string& path);

}  // namespace arc
