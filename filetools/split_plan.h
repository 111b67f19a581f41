// The arithmetic and texts of splitting a file into numbered pieces and
// joining them again: piece count, piece and slice sizes, piece names, the
// batch file that joins the pieces with the command interpreter's copy, and
// the output path of a join. Sizes are 64-bit throughout.
//
// Pure code: no <windows.h>, so it also builds natively.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace splitjoin {

// The work is done in slices of this many bytes, one buffer of this size.
constexpr uint64_t kSliceBytes = 1000000;
// Piece numbers have three digits.
constexpr uint64_t kMaxPieces = 999;

// Pieces of `pieceSize` bytes that a file of `fileSize` bytes makes: the last
// one takes the rest. 0 when the piece size is 0 or larger than the file.
uint64_t PieceCount(uint64_t fileSize, uint64_t pieceSize);
inline bool CountIsValid(uint64_t count) { return count >= 1 && count <= kMaxPieces; }

// The count as the dialog shows it: the number, or "不可" when it is no valid
// split.
std::string CountText(uint64_t count);
// The count shown when the dialog opens with a piece size of 1: the file's
// size while that is at most 999 (so an empty file shows 0), else "不可".
std::string OpeningCountText(uint64_t fileSize);
// "<size> Byte".
std::string SizeText(uint64_t fileSize);
// Decimal digits of a value.
std::string Decimal(uint64_t value);

// The piece size typed into the dialog: digits only. False for an empty text,
// anything but digits, or a value beyond 64 bits.
bool ParsePieceSize(const char* text, uint64_t* size);

// Size of piece `index` (0-based) of a split into `count` pieces.
uint64_t PieceBytes(uint64_t fileSize, uint64_t pieceSize, uint64_t count, uint64_t index);
// Slices a piece of that size is written in (0 for an empty piece).
uint64_t SliceCount(uint64_t pieceBytes);
// Size of slice `slice` (0-based) of such a piece.
uint64_t SliceBytes(uint64_t pieceBytes, uint64_t slice);

// Percent of `done` in `total`, truncated, 0..100; a total of 0 is complete.
int ProgressPercent(uint64_t done, uint64_t total);

// Piece `number` (from 1) of `path`: path + "." + three digits.
std::string PieceName(const std::string& path, uint64_t number);
// The batch file beside the pieces: path + ".bat".
std::string BatchName(const std::string& path);
// The part of a path after its last separator.
std::string FileNameOf(const std::string& path);

// The batch file that joins `count` pieces of the file named `name` (a name
// without folder: the batch runs in the pieces' folder), one line per copy,
// CR LF ended, in the program's code page (the command interpreter reads
// batch files in it). Names are quoted, so names with blanks work, and each
// % is doubled: the interpreter expands %...% even inside quotes.
std::vector<std::string> BatchLines(const std::string& name, uint64_t count);
std::string BatchText(const std::string& name, uint64_t count);
// The batch file for a name the console's code page cannot spell. The
// interpreter reads a batch file in that code page (Wine's whatever chcp
// says), so the lines name no file: the file system finds the first piece by
// `pattern` (BatchPattern) and the copies use the name it found. Unless
// exactly one file matches, the batch file stops without copying.
std::string FoundNameBatchText(const std::string& pattern, uint64_t count);
// `name` spelt character by character by `spell` (false: the console's code
// page lacks it), with a ? for each UTF-16 unit of a character it lacks and
// of one that would break an unquoted pattern (the interpreter's wildcard
// loop takes no quotes under Wine).
std::string BatchPattern(const std::wstring& name,
                         const std::function<bool(const std::wstring& character, std::string* spelt)>& spell);

// Pieces, batch file, name and join output of a UTF-16 path, as the drop
// hands it over.
std::wstring PieceName(const std::wstring& path, uint64_t number);
std::wstring BatchName(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
bool JoinOutputPath(const std::wstring& dropped, std::wstring* output);

// The output of a join from the dropped first piece: the path without its
// extension, when that extension is exactly ".001" (case matters) and a name
// stands before it. False otherwise.
bool JoinOutputPath(const std::string& dropped, std::string* output);

// The pieces a join takes. `sizeOf(number)` gives the size of piece
// `number` (from 1), or -1 when there is no such file. Every piece but the
// last has the first piece's size, and none is larger: a piece after a
// shorter one, or one larger than the first, is left from another split, and
// the set ends before it.
// When a number is missing but a later piece exists, `missing` names it and
// nothing is to be joined.
struct JoinSet {
  uint64_t count = 0;    // pieces 1..count; 0 when the first is missing
  uint64_t missing = 0;  // 0 when no piece is missing
};
JoinSet PlanJoin(const std::function<int64_t(uint64_t number)>& sizeOf);

// Message texts.
extern const char kSplitCaption[];         // "分割"
extern const char kSplitErrorCaption[];    // "分割エラー"
extern const char kSplitDoneCaption[];     // "分割完了"
extern const char kSplitDoneText[];        // "分割しました"
extern const char kBadPieceSizeText[];     // "分割サイズが不正です"
extern const char kJoinCaption[];          // "結合"
extern const char kJoinErrorCaption[];     // "結合エラー"
extern const char kJoinDoneCaption[];      // "結合完了"
extern const char kJoinDoneText[];         // "結合しました"
extern const char kNotFirstPieceText[];    // "拡張子「.001」のファイルをドロップしてください"

// What failed on which file, for the error message.
enum class Failure { kOpen, kCreate, kRead, kWrite, kMissing };
// The message: what failed, the file, and the system's reason when there is one.
std::string FailureText(Failure what, const std::string& path, const std::string& reason);
// Its first line: what failed.
const char* FailureHeadline(Failure what);

}  // namespace splitjoin
