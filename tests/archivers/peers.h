// Runs the real archivers of the machine (zip, unzip, 7z, jlha, lhasa, tar,
// bsdtar) from a test under Wine, on files of the test's own folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace peers {

struct Result {
  int exitCode = -1;   // -1: the peer could not be started or never finished
  std::string output;  // what it wrote to stdout and stderr together
};

// Runs a shell script (bash) in the Unix folder `unixFolder` and waits until it
// has finished. Wine starts Unix programs without a process to wait on, so
// the script itself records its end.
Result Run(const std::string& unixFolder, const std::string& script);

// The Unix path of a Windows path (Z:\tmp\x -> /tmp/x, C:\... -> the prefix).
std::string UnixPath(const std::string& windowsPath);

// A fresh empty folder for one test, under the system's temporary folder;
// returned as a Windows path ending without a backslash.
std::string FreshFolder(const std::string& label);

// Files as bytes.
bool WriteFile(const std::string& path, const std::string& bytes);
bool ReadFile(const std::string& path, std::string& bytes);
bool MakeFolders(const std::string& path);  // like mkdir -p

// Shell quoting for a script line: 'it'\''s'.
std::string Quote(const std::string& s);

// Every file below a folder: relative path ('\'-separated, as bytes) -> content.
std::vector<std::pair<std::string, std::string>> Tree(const std::string& folder);

}  // namespace peers
