#include "filetools/split_dialog.h"

#include <commctrl.h>

#include "core/side_effects.h"
#include "framework/system_error.h"
#include "framework/wide_text.h"
#include "resources/resource.h"

using splitjoin::Failure;

namespace {

constexpr UINT_PTR kWorkTimer = 1;

std::string ItemText(HWND dialog, int id) {
  char text[64] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

}  // namespace

void StartSplit(HWND owner, const std::wstring& path) {
  CSplitDialog dialog(path, owner);
  dialog.DoModal();
}

void StartSplit(HWND owner, const char* path) { StartSplit(owner, Widen(path, CP_ACP)); }

CSplitDialog::CSplitDialog(const std::wstring& path, HWND owner)
    : CSlicedWorkDialog(IDD_SPLIT, owner, IDC_SPLIT_PROGRESS, kWorkTimer), m_path(path) {}

CSplitDialog::~CSplitDialog() { CloseFiles(); }

BOOL CSplitDialog::OnInitDialog() {
  // Attributes only: the size is readable even while another program has
  // the file open.
  CHandle file(CreateFileW(m_path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size = {};
  if (file.Valid() && !GetFileSizeEx(file, &size)) size.QuadPart = 0;
  file.Close();
  m_fileSize = uint64_t(size.QuadPart);

  SetDlgItemTextW(m_hWnd, IDC_SPLIT_PATH, m_path.c_str());
  SetDlgItemTextA(m_hWnd, IDC_SPLIT_FILE_SIZE, splitjoin::SizeText(m_fileSize).c_str());
  SetDlgItemTextA(m_hWnd, IDC_SPLIT_PIECE_SIZE, "1");
  m_pieceSize = 1;
  m_count = splitjoin::PieceCount(m_fileSize, 1);
  SetDlgItemTextA(m_hWnd, IDC_SPLIT_COUNT, splitjoin::OpeningCountText(m_fileSize).c_str());
  CheckDlgButton(m_hWnd, IDC_SPLIT_BATCH, BST_UNCHECKED);
  InitProgress();

  // A size typed at once replaces the 1; Enter then starts the split.
  HWND edit = GetDlgItem(IDC_SPLIT_PIECE_SIZE);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  return FALSE;
}

void CSplitDialog::OnCancel() {
  if (!Running()) EndDialog(IDCANCEL);
}

LRESULT CSplitDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_SPLIT_START && HIWORD(wParam) == BN_CLICKED) {
        OnStart();
        return 0;
      }
      if (LOWORD(wParam) == IDC_SPLIT_PIECE_SIZE && HIWORD(wParam) == EN_CHANGE) {
        ShowCount();
        return 0;
      }
      break;
    case WM_DESTROY:
      // Also when a quit request ends the modal run in the middle of a split.
      StopWork();
      CloseFiles();
      break;
  }
  return CSlicedWorkDialog::WindowProc(msg, wParam, lParam);
}

void CSplitDialog::ShowCount() {
  if (Running()) return;
  // An empty or unreadable size counts as 0: no valid split.
  if (!splitjoin::ParsePieceSize(ItemText(m_hWnd, IDC_SPLIT_PIECE_SIZE).c_str(), &m_pieceSize))
    m_pieceSize = 0;
  m_count = splitjoin::PieceCount(m_fileSize, m_pieceSize);
  SetDlgItemTextA(m_hWnd, IDC_SPLIT_COUNT, splitjoin::CountText(m_count).c_str());
}

void CSplitDialog::OnStart() {
  if (Running()) return;
  // No further input reaches the dialog until the split ends.
  EnableWindow(m_hWnd, FALSE);
  if (!splitjoin::ParsePieceSize(ItemText(m_hWnd, IDC_SPLIT_PIECE_SIZE).c_str(), &m_pieceSize))
    m_pieceSize = 0;
  m_created = 0;
  m_batchCreated = false;

  m_source = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (m_source == INVALID_HANDLE_VALUE) return Fail(Failure::kOpen, m_path, GetLastError());
  // The size as it is now, should the file have changed since the dialog opened.
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_source, &size)) return Fail(Failure::kRead, m_path, GetLastError());
  if (uint64_t(size.QuadPart) != m_fileSize) {
    m_fileSize = uint64_t(size.QuadPart);
    SetDlgItemTextA(m_hWnd, IDC_SPLIT_FILE_SIZE, splitjoin::SizeText(m_fileSize).c_str());
    SetDlgItemTextA(m_hWnd, IDC_SPLIT_COUNT,
                    splitjoin::CountText(splitjoin::PieceCount(m_fileSize, m_pieceSize)).c_str());
  }
  m_count = splitjoin::PieceCount(m_fileSize, m_pieceSize);
  if (!splitjoin::CountIsValid(m_count)) {
    CloseFiles();
    Refuse(Widen(splitjoin::kBadPieceSizeText, CP_ACP), MB_ICONINFORMATION);
    return;
  }

  if (IsDlgButtonChecked(m_hWnd, IDC_SPLIT_BATCH) == BST_CHECKED) {
    std::wstring name = splitjoin::BatchName(m_path);
    CHandle batch(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!batch.Valid()) return Fail(Failure::kCreate, name, GetLastError());
    m_batchCreated = true;
    std::string text = BatchBytes();
    DWORD put = 0;
    BOOL wrote = WriteFile(batch, text.data(), DWORD(text.size()), &put, nullptr);
    DWORD error = wrote ? (put == text.size() ? 0 : ERROR_DISK_FULL) : GetLastError();
    if (!batch.Close() && !error) error = GetLastError();
    if (error) return Fail(Failure::kWrite, name, error);
  }

  m_buffer.resize(size_t(splitjoin::kSliceBytes));
  m_written = 0;
  m_pieceIndex = 0;
  m_slice = 0;
  SetProgress(0);
  StartWork();
}

int CSplitDialog::Progress() const { return splitjoin::ProgressPercent(m_written, m_fileSize); }

bool CSplitDialog::Slice() {
  if (m_pieceIndex >= m_count) {
    Finish();
    return false;
  }
  if (m_slice == 0) {
    m_pieceName = splitjoin::PieceName(m_path, m_pieceIndex + 1);
    m_piece = CreateFileW(m_pieceName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_piece == INVALID_HANDLE_VALUE) {
      Fail(Failure::kCreate, m_pieceName, GetLastError());
      return false;
    }
    m_created = m_pieceIndex + 1;
    m_pieceBytes = splitjoin::PieceBytes(m_fileSize, m_pieceSize, m_count, m_pieceIndex);
  }
  DWORD bytes = DWORD(splitjoin::SliceBytes(m_pieceBytes, m_slice));
  DWORD got = 0;
  BOOL ok = ReadFile(m_source, m_buffer.data(), bytes, &got, nullptr);
  // A short read: the file became shorter while it was split.
  DWORD error = !ok ? GetLastError() : got != bytes ? ERROR_HANDLE_EOF : 0;
  if (error) {
    Fail(Failure::kRead, m_path, error);
    return false;
  }
  DWORD put = 0;
  ok = WriteFile(m_piece, m_buffer.data(), bytes, &put, nullptr);
  error = !ok ? GetLastError() : put != bytes ? ERROR_DISK_FULL : 0;
  if (error) {
    Fail(Failure::kWrite, m_pieceName, error);
    return false;
  }
  m_written += bytes;
  if (++m_slice == splitjoin::SliceCount(m_pieceBytes)) {
    // A failed close can mean the data never reached the disk.
    if (!m_piece.Close()) {
      Fail(Failure::kWrite, m_pieceName, GetLastError());
      return false;
    }
    ++m_pieceIndex;
    m_slice = 0;
  }
  return true;
}

void CSplitDialog::Finish() {
  StopWork();
  CloseFiles();
  SetProgress(100);
  g_sideEffects.messageBox(m_hWnd, splitjoin::kSplitDoneText, splitjoin::kSplitDoneCaption, MB_OK);
  EnableWindow(m_hWnd, TRUE);
  EndDialog(IDOK);
}

std::string CSplitDialog::BatchBytes() const {
  std::wstring name = splitjoin::FileNameOf(m_path);
  std::string narrow;
  if (NarrowExact(name, GetOEMCP(), &narrow)) return splitjoin::BatchText(narrow, m_count);
  auto spell = [](const std::wstring& character, std::string* spelt) {
    return NarrowExact(character, GetOEMCP(), spelt);
  };
  return splitjoin::FoundNameBatchText(splitjoin::BatchPattern(name, spell), m_count);
}

void CSplitDialog::Fail(Failure what, const std::wstring& path, DWORD error) {
  StopWork();
  CloseFiles();
  RemoveWritten();
  SetProgress(0);
  std::wstring text = splitjoin::FailureMessage(what, path, error);
  Refuse(text, MB_ICONEXCLAMATION);
}

void CSplitDialog::Refuse(const std::wstring& text, UINT icon) {
  ShowMessage(m_hWnd, text, splitjoin::kSplitErrorCaption, MB_OK | icon);
  EnableWindow(m_hWnd, TRUE);
  // Back to the size, ready for another one.
  HWND edit = GetDlgItem(IDC_SPLIT_PIECE_SIZE);
  SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

void CSplitDialog::CloseFiles() {
  m_source.Close();
  m_piece.Close();
}

void CSplitDialog::RemoveWritten() {
  for (uint64_t number = 1; number <= m_created; ++number)
    DeleteFileW(splitjoin::PieceName(m_path, number).c_str());
  if (m_batchCreated) DeleteFileW(splitjoin::BatchName(m_path).c_str());
  m_created = 0;
  m_batchCreated = false;
}
