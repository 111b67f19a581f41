// Extraction shared by every format: names made safe, links as hard links
// or copies, one damaged entry reported without stopping the rest.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "archivers/core/archive.h"

namespace arc {

using PathParts = std::vector<std::string>;

// The file system side of an extraction (Win32 in the libraries, memory in
// tests). Parts are folder names below the output folder, in `charset`.
class ExtractTarget {
 public:
  virtual ~ExtractTarget() = default;
  virtual Status MakeFolder(const PathParts& parts, NameCharset charset, const Entry& entry) = 0;
  // Creates a file (and the folders above it) and returns where its bytes go,
  // or null with *error set (kErrorWrite also when entry.size bytes cannot
  // fit).
  virtual Sink* BeginFile(const PathParts& parts, NameCharset charset, const Entry& entry, Status* error) = 0;
  // Closes the file begun last; deletes it unless `keep` (its data was bad).
  virtual Status EndFile(bool keep) = 0;
  // A link inside the folder becomes a hard link to its (already extracted)
  // target: kOk. kErrorLink when the target is no file of the folder (or is
  // the link itself); any other error: no hard link here, copy the target.
  virtual Status LinkFile(const PathParts& from, NameCharset fromCharset, const PathParts& to, NameCharset toCharset,
                          const Entry& entry) = 0;
  // An extracted file, to copy; null when there is none.
  virtual std::unique_ptr<Source> OpenFile(const PathParts& parts, NameCharset charset) = 0;
  // Called between entries and during long ones (data and copies) with the
  // archive bytes read; returns false to stop. The report's counts are
  // current at each call.
  virtual bool Progress(uint64_t archiveBytes) {
    (void)archiveBytes;
    return true;
  }
};

struct ExtractProblem {
  Status status;
  std::string name;  // as stored
  NameCharset charset;
};

struct ExtractReport {
  int files = 0;
  int folders = 0;
  uint64_t bytes = 0;        // written from the archive's data
  uint64_t copiedBytes = 0;  // written by copying where a link could not be a hard link
  int problemCount = 0;
  std::vector<ExtractProblem> problems;  // the first kMaxProblems
  Status result = kOk;                   // the first error, kOk when none
  bool cancelled = false;
  static const size_t kMaxProblems = 64;
};

// Extracts every entry; refused and damaged entries are reported and the rest
// still extracted, unless the archive itself cannot be read further.
// `target` null tests the archive (data checked, nothing written).
Status ExtractAll(ArchiveReader& reader, ExtractTarget* target, ExtractReport& report);

// Offset just past a Windows program's image (its sections), where a
// self-extracting program carries its archive; 0 when `source` is no
// Windows program.
uint64_t ProgramImageEnd(Source& source);

}  // namespace arc
