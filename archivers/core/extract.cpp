#include "archivers/core/extract.h"

#include "archivers/core/safe_name.h"

namespace arc {

namespace {

void Note(ExtractReport& report, Status status, const Entry& entry) {
  ++report.problemCount;
  if (report.result == kOk) report.result = status;
  if (report.problems.size() < ExtractReport::kMaxProblems) report.problems.push_back({status, entry.name, entry.charset});
}

// Counts what passes into `counter`, and tells the target how far the
// archive is read.
class ProgressSink : public Sink {
 public:
  ProgressSink(Sink& inner, ArchiveReader& reader, ExtractTarget* target, uint64_t& counter)
      : inner_(inner), reader_(reader), target_(target), counter_(counter) {}
  bool Write(const void* data, size_t n) override {
    if (!inner_.Write(data, n)) return false;
    written += n;
    counter_ += n;
    if (target_ && (since_ += n) >= (1u << 20)) {
      since_ = 0;
      if (!target_->Progress(reader_.Position())) {
        cancelled = true;
        return false;
      }
    }
    return true;
  }
  uint64_t written = 0;
  bool cancelled = false;

 private:
  Sink& inner_;
  ArchiveReader& reader_;
  ExtractTarget* target_;
  uint64_t& counter_;
  uint64_t since_ = 0;
};

// Where the file system takes no hard link (FAT, another volume), the link's
// target is copied as a file of the link's name: free space checked, progress
// told and a partial copy removed as for any entry.
Status CopyLinkTarget(const Entry& entry, const PathParts& from, const PathParts& parts, ArchiveReader& reader,
                      ExtractTarget& target, ExtractReport& report) {
  std::unique_ptr<Source> source = target.OpenFile(from, entry.charset);
  if (!source) return kErrorLink;
  Entry copy = entry;
  copy.kind = EntryKind::File;
  copy.size = source->Size();
  Status s = kOk;
  Sink* sink = target.BeginFile(parts, entry.charset, copy, &s);
  if (!sink) return s == kOk ? kErrorWrite : s;
  ProgressSink counted(*sink, reader, &target, report.copiedBytes);
  SourceStream in(*source);
  std::vector<uint8_t> buffer(1 << 16);
  bool ok = true;
  while (size_t n = in.Read(buffer.data(), buffer.size())) {
    if (!counted.Write(buffer.data(), n)) {
      ok = false;
      break;
    }
  }
  ok = ok && !in.Failed() && counted.written == copy.size;
  s = target.EndFile(ok);
  if (counted.cancelled) report.cancelled = true;
  return ok ? s : kErrorWrite;
}

Status ExtractLink(const Entry& entry, const PathParts& parts, ArchiveReader& reader, ExtractTarget* target,
                   ExtractReport& report) {
  PathParts from;
  Status s = entry.hardLink ? SplitSafeName(entry.linkTarget, entry.charset, from)
                            : ResolveLinkTarget(parts, entry.linkTarget, entry.charset, from);
  if (s != kOk) return kErrorUnsafeName;
  if (!target) return kOk;
  s = target->LinkFile(from, entry.charset, parts, entry.charset, entry);
  if (s == kOk || s == kErrorLink || s == kErrorUnsafeName) return s;
  return CopyLinkTarget(entry, from, parts, reader, *target, report);
}

}  // namespace

Status ExtractAll(ArchiveReader& reader, ExtractTarget* target, ExtractReport& report) {
  report = ExtractReport();
  Entry entry;
  for (;;) {
    if (target && !target->Progress(reader.Position())) {
      report.cancelled = true;
      break;
    }
    Status s = reader.Next(entry);
    if (s == kEnd) break;
    if (s != kOk) {
      if (report.result == kOk) report.result = s;
      ++report.problemCount;
      if (report.problems.size() < ExtractReport::kMaxProblems) report.problems.push_back({s, std::string(), NameCharset::Cp932});
      break;
    }
    if (entry.kind == EntryKind::Other) continue;  // devices, FIFOs: nothing to make on Windows
    PathParts parts;
    if (SplitSafeName(entry.name, entry.charset, parts) != kOk || (parts.empty() && entry.kind != EntryKind::Folder)) {
      Note(report, kErrorUnsafeName, entry);
      continue;
    }
    if (parts.empty()) continue;  // the root folder, "./"

    if (entry.kind == EntryKind::Folder) {
      s = target ? target->MakeFolder(parts, entry.charset, entry) : kOk;
      if (s != kOk) Note(report, s, entry);
      else ++report.folders;
      continue;
    }
    if (entry.kind == EntryKind::Link) {
      s = ExtractLink(entry, parts, reader, target, report);
      if (report.cancelled) break;
      if (s == kOk) ++report.files;
      else Note(report, s == kErrorUnsafeName || s == kErrorWrite ? s : kErrorLink, entry);
      continue;
    }
    NullSink nothing;
    Sink* sink = &nothing;
    if (target) {
      Status open = kOk;
      sink = target->BeginFile(parts, entry.charset, entry, &open);
      if (!sink) {
        Note(report, open == kOk ? kErrorWrite : open, entry);
        continue;
      }
    }
    ProgressSink counted(*sink, reader, target, report.bytes);
    s = reader.Extract(counted);
    if (counted.cancelled) s = kErrorWrite;
    if (target) {
      Status closed = target->EndFile(s == kOk);
      if (s == kOk) s = closed;
    }
    if (counted.cancelled) {
      report.cancelled = true;
      break;
    }
    if (s != kOk) {
      Note(report, s, entry);
      if (IsFatal(s)) break;
    } else {
      ++report.files;
    }
  }
  return report.result;
}

uint64_t ProgramImageEnd(Source& source) {
  uint8_t dos[64];
  if (source.ReadAt(0, dos, sizeof dos) != sizeof dos || dos[0] != 'M' || dos[1] != 'Z') return 0;
  uint32_t pe = Le32(dos + 60);
  uint8_t head[24];
  if (source.ReadAt(pe, head, sizeof head) != sizeof head || head[0] != 'P' || head[1] != 'E' || head[2] || head[3])
    return 0;
  uint16_t sections = Le16(head + 6);
  uint16_t optional = Le16(head + 20);
  uint64_t table = static_cast<uint64_t>(pe) + 24 + optional;
  uint64_t end = 0;
  for (uint16_t i = 0; i < sections; ++i) {
    uint8_t section[40];
    if (source.ReadAt(table + 40ull * i, section, sizeof section) != sizeof section) return 0;
    uint64_t last = static_cast<uint64_t>(Le32(section + 20)) + Le32(section + 16);
    if (Le32(section + 16) && last > end) end = last;
  }
  return end <= source.Size() ? end : 0;
}

}  // namespace arc
