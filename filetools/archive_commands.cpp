#include "filetools/archive_commands.h"

#include <cstdio>
#include <initializer_list>

#include "framework/text.h"

namespace archive {

const ExtractLibrary kExtractLibraries[kExtractLibraryCount] = {
    {"unlha32.dll", nullptr, "UnlhaCheckArchive", "Unlha", "x \"%s\" \"%s\\\""},
    {"unzip32.dll", nullptr, "UnZipCheckArchive", "UnZip", "\"%s\" \"%s\\\""},
    // The RAR library is a front end to a second one and works only with it.
    {"unrar32.dll", "unrar.dll", "UnrarCheckArchive", "Unrar", "x \"%s\" \"%s\\\""},
    {"cab32.dll", nullptr, "CabCheckArchive", "Cab", "x \"%s\" \"%s\\\""},
    {"7-Zip32.dll", nullptr, "SevenZipCheckArchive", "SevenZip", "x \"%s\" \"%s\\\""},
    {"TAR32.dll", nullptr, "TarCheckArchive", "Tar", "x \"%s\" \"%s\\\""},
    {"ungca32.dll", nullptr, "UnGCACheckArchive", "UnGCA", "x \"%s\" \"%s\\\""},
};

const VersionLibrary kVersionLibraries[kVersionLibraryCount] = {
    {"unlha32.dll", "UnlhaGetVersion", " UNLHA32.DLL", "LZH"},
    {"unzip32.dll", "UnZipGetVersion", " UNZIP32.DLL", "ZIP"},
    {"ZIP32J.DLL", "ZipGetVersion", " ZIP32J.DLL", "ZIP"},
    {"unrar32.dll", "UnrarGetVersion", " UNRAR32.DLL", "RAR"},
    {"cab32.dll", "CabGetVersion", " cab32.dll", "CAB"},
    {"7-Zip32.dll", "SevenZipGetVersion", " 7-Zip32.dll", "7-ZIP"},
    {"TAR32.dll", "TarGetVersion", " TAR32.dll", "TAR"},
    {"ungca32.dll", "UnGCAGetVersion", " UnGCA32.dll", "GCA"},
};

const CompressFormat kCompressFormats[kCompressFormatCount] = {
    // This message has always spelt the library's name so; it stays as it is.
    {"LZH", "unlha32.dll", "Unlha", ".lzh", "unlaha32.dll がみつかりません"},
    {"ZIP", "ZIP32J.DLL", "Zip", ".zip", "ZIP32J.DLL がみつかりません"},
};

namespace {

// printf into a string of whatever length the result needs.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return std::string();
  std::string s(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(&s[0], s.size(), format, args...);
  s.resize(static_cast<size_t>(n));
  return s;
}

// The same for UTF-16 arguments; the patterns are ASCII and hold no other
// conversion than %s.
std::wstring FillIn(const char* pattern, std::initializer_list<const std::wstring*> args) {
  std::wstring out;
  auto next = args.begin();
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's' && next != args.end()) {
      out += **next++;
      ++p;
    } else {
      out += wchar_t(static_cast<unsigned char>(*p));
    }
  }
  return out;
}

const char* PackPattern(int format) {
  return format == 1 ? "-r -v \"%s%s.zip\" \"%s\" @%s" : "a -d1a1 \"%s%s.lzh\" \"%s\" @%s";
}

const CompressFormat& FormatRow(int format) {
  return kCompressFormats[format == 1 ? 1 : 0];
}

}  // namespace

std::string ErrorText(const std::string& libraryText, int result) {
  if (!libraryText.empty()) return libraryText;
  return Format("エラー 0x%04X", static_cast<unsigned>(result));
}

std::string VersionText(unsigned version) {
  if (version == 0) return " Not Found";
  return Format(" Ver %d.%2.2d", static_cast<int>(version / 100), static_cast<int>(version % 100));
}

std::vector<ArchiverRow> RowsForVersions(const unsigned (&versions)[kVersionLibraryCount]) {
  std::vector<ArchiverRow> rows;
  for (int i = 0; i < kVersionLibraryCount; ++i)
    rows.push_back({kVersionLibraries[i].displayName, VersionText(versions[i]), kVersionLibraries[i].format});
  return rows;
}

PathParts SplitPath(const std::string& path) {
  PathParts parts;
  size_t separator = text::LastSeparator(path.c_str());
  size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  // A drive letter alone ("C:b.lzh") belongs to the folder part too.
  if (nameStart == 0 && path.size() >= 2 && path[1] == ':') nameStart = 2;
  parts.folder = path.substr(0, nameStart);
  // No trail byte of a two-byte character is a dot, so a plain search is safe.
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart) dot = path.size();
  parts.name = path.substr(nameStart, dot - nameStart);
  parts.extension = path.substr(dot);
  return parts;
}

std::string ExtractFolderFor(const std::string& archivePath, const std::function<bool(const std::string&)>& exists) {
  PathParts parts = SplitPath(archivePath);
  std::string base = parts.folder + parts.name;
  if (!exists(base)) return base;
  // A bound keeps a folder where every name is taken from stalling the drop.
  for (int n = 1; n <= 99999; ++n) {
    std::string candidate = Format("%s(%d)", base.c_str(), n);
    if (!exists(candidate)) return candidate;
  }
  return std::string();
}

std::string ExtractCommand(const ExtractLibrary& library, const std::string& archive, const std::string& folder) {
  return Format(library.commandFormat, archive.c_str(), folder.c_str());
}

std::string PackCommand(int format, const std::string& folder, const std::string& name,
                        const std::string& responseFile) {
  return Format(PackPattern(format), folder.c_str(), name.c_str(), folder.c_str(), responseFile.c_str());
}

std::string SelfExtractingCommand(int format, const std::string& folder, const std::string& name) {
  if (format == 1) return Format("--sfx \"%s%s.zip\"", folder.c_str(), name.c_str());
  return Format("s -gw -x \"%s%s.lzh\" \"%s\"", folder.c_str(), name.c_str(), folder.c_str());
}

std::string ArchivePath(int format, const std::string& folder, const std::string& name) {
  return folder + name + FormatRow(format).extension;
}

WidePathParts SplitPath(const std::wstring& path) {
  WidePathParts parts;
  size_t separator = path.find_last_of(L"\\/");
  size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
  if (nameStart == 0 && path.size() >= 2 && path[1] == L':') nameStart = 2;
  parts.folder = path.substr(0, nameStart);
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || dot < nameStart) dot = path.size();
  parts.name = path.substr(nameStart, dot - nameStart);
  parts.extension = path.substr(dot);
  return parts;
}

std::wstring ExtractFolderFor(const std::wstring& archivePath,
                              const std::function<bool(const std::wstring&)>& exists) {
  WidePathParts parts = SplitPath(archivePath);
  std::wstring base = parts.folder + parts.name;
  if (!exists(base)) return base;
  for (int n = 1; n <= 99999; ++n) {
    std::wstring candidate = base + L"(" + std::to_wstring(n) + L")";
    if (!exists(candidate)) return candidate;
  }
  return std::wstring();
}

std::wstring ExtractCommand(const ExtractLibrary& library, const std::wstring& archive, const std::wstring& folder) {
  return FillIn(library.commandFormat, {&archive, &folder});
}

std::wstring PackCommand(int format, const std::wstring& folder, const std::wstring& name,
                         const std::wstring& responseFile) {
  return FillIn(PackPattern(format), {&folder, &name, &folder, &responseFile});
}

std::wstring SelfExtractingCommand(int format, const std::wstring& folder, const std::wstring& name) {
  if (format == 1) return FillIn("--sfx \"%s%s.zip\"", {&folder, &name});
  return FillIn("s -gw -x \"%s%s.lzh\" \"%s\"", {&folder, &name, &folder});
}

std::wstring ArchivePath(int format, const std::wstring& folder, const std::wstring& name) {
  return folder + name + FillIn(FormatRow(format).extension, {});
}

std::string WideEntryName(const char* entry) { return std::string(entry) + "W"; }

}  // namespace archive
