// Results of the archiver libraries. The values of 0x8000 and above are the
// error codes the work entries return, and are documented in Help.html:
// keep them stable.
#pragma once

namespace arc {

enum Status : int {
  kOk = 0,
  kEnd = 1,  // no more entries (never returned by a work entry)

  kErrorCommand = 0x8001,       // command line not understood
  kErrorArchiveOpen = 0x8002,   // archive cannot be opened or read
  kErrorNotArchive = 0x8003,    // not an archive of the library's format
  kErrorDamaged = 0x8004,       // header damaged, truncated or inconsistent
  kErrorCrc = 0x8005,           // data does not match its CRC (or length)
  kErrorUnsafeName = 0x8006,    // entry would land outside the output folder
  kErrorMethod = 0x8007,        // compression method not supported
  kErrorEncrypted = 0x8008,     // encrypted entry
  kErrorWrite = 0x8009,         // output file or folder cannot be written
  kErrorSourceFile = 0x800A,    // a file to pack cannot be opened or read
  kErrorResponseFile = 0x800B,  // @response file cannot be read
  kErrorNoFiles = 0x800C,       // nothing to pack
  kErrorSfx = 0x800D,           // self-extracting program cannot be made
  kErrorLink = 0x800E,          // link entry refused
  kErrorTooLarge = 0x800F,      // beyond what the format can record
  kErrorCancelled = 0x8010,     // the user stopped the work (中止)
  kErrorNameCharset = 0x8011,   // a name the format cannot record exactly (outside code page 932)
};

inline bool IsError(Status s) { return s >= 0x8000; }

// Errors after which the reader cannot go on to the next entry.
inline bool IsFatal(Status s) {
  return s == kErrorArchiveOpen || s == kErrorNotArchive || s == kErrorDamaged;
}

}  // namespace arc
