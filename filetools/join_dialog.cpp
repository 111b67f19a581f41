#include "filetools/join_dialog.h"

#include <commctrl.h>

#include "core/side_effects.h"
#include "framework/system_error.h"
#include "framework/wide_text.h"
#include "resources/resource.h"

using splitjoin::Failure;

namespace {
// A short pause before the work, so the dialog shows first.
constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kStartDelayMs = 200;
constexpr UINT_PTR kWorkTimer = 2;

// A piece's size, -1 when there is no such file. A piece that is there but
// cannot be asked counts as present with size 0: the set ends with it, and
// opening it tells why.
int64_t PieceSize(const std::wstring& name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
    return int64_t(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? -1 : 0;
}
}  // namespace

void StartJoin(HWND owner, const std::wstring& path) {
  std::wstring output;
  if (!splitjoin::JoinOutputPath(path, &output)) {
    g_sideEffects.messageBox(owner, splitjoin::kNotFirstPieceText, splitjoin::kJoinErrorCaption,
                             MB_OK | MB_ICONINFORMATION);
    return;
  }
  CJoinDialog dialog(output, owner);
  dialog.DoModal();
}

void StartJoin(HWND owner, const char* path) { StartJoin(owner, Widen(path, CP_ACP)); }

CJoinDialog::CJoinDialog(const std::wstring& output, HWND owner)
    : CSlicedWorkDialog(IDD_JOIN, owner, IDC_JOIN_PROGRESS, kWorkTimer), m_output(output) {}

CJoinDialog::~CJoinDialog() { CloseFiles(); }

BOOL CJoinDialog::OnInitDialog() {
  InitProgress();
  SetTimer(m_hWnd, kStartTimer, kStartDelayMs, nullptr);
  return TRUE;
}

void CJoinDialog::OnCancel() {
  // The close box: the output stays as it was.
  KillTimer(m_hWnd, kStartTimer);
  StopWork();
  CloseFiles();
  EndDialog(IDCANCEL);
}

LRESULT CJoinDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kStartTimer) {
        KillTimer(m_hWnd, kStartTimer);
        if (!PlanPieces()) return 0;
        m_buffer.resize(size_t(splitjoin::kSliceBytes));
        StartWork();
        return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(m_hWnd, kStartTimer);
      StopWork();
      CloseFiles();
      break;
  }
  return CSlicedWorkDialog::WindowProc(msg, wParam, lParam);
}

int CJoinDialog::Progress() const { return splitjoin::ProgressPercent(m_copied, m_pieceBytes); }

bool CJoinDialog::PlanPieces() {
  splitjoin::JoinSet set =
      splitjoin::PlanJoin([this](uint64_t number) { return PieceSize(splitjoin::PieceName(m_output, number)); });
  if (set.missing) {
    Fail(Failure::kMissing, splitjoin::PieceName(m_output, set.missing), 0);
    return false;
  }
  // A missing first piece: opening it reports why.
  m_count = set.count ? set.count : 1;
  return true;
}

bool CJoinDialog::CreateTemporary() {
  // Beside the output, so that the last step is a rename on one volume; as
  // long as a piece's name, so it fits wherever the pieces do.
  for (int n = 0; n < 100; ++n) {
    std::wstring name = m_output + L".~" + wchar_t(L'0' + n / 10) + wchar_t(L'0' + n % 10);
    m_out = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_out != INVALID_HANDLE_VALUE) {
      m_temporary = name;
      return true;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      Fail(Failure::kCreate, name, error);
      return false;
    }
  }
  Fail(Failure::kCreate, m_output, ERROR_FILE_EXISTS);
  return false;
}

bool CJoinDialog::OpenNextPiece() {
  if (m_index >= m_count) {
    Finish();
    return false;
  }
  m_pieceName = splitjoin::PieceName(m_output, m_index + 1);
  m_piece = CreateFileW(m_pieceName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (m_piece == INVALID_HANDLE_VALUE) {
    Fail(Failure::kOpen, m_pieceName, GetLastError());
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_piece, &size)) {
    Fail(Failure::kRead, m_pieceName, GetLastError());
    return false;
  }
  if (m_out == INVALID_HANDLE_VALUE && !CreateTemporary()) return false;
  m_pieceBytes = uint64_t(size.QuadPart);
  m_copied = 0;
  SetProgress(splitjoin::ProgressPercent(0, m_pieceBytes));
  SetDlgItemTextW(m_hWnd, IDC_JOIN_PATH, m_pieceName.c_str());
  return true;
}

bool CJoinDialog::Slice() {
  if (m_piece == INVALID_HANDLE_VALUE && !OpenNextPiece()) return false;
  DWORD got = 0;
  if (!ReadFile(m_piece, m_buffer.data(), DWORD(m_buffer.size()), &got, nullptr)) {
    Fail(Failure::kRead, m_pieceName, GetLastError());
    return false;
  }
  if (got == 0) {
    // The end of this piece: on to the next number.
    SetProgress(Progress());
    m_piece.Close();
    ++m_index;
    return true;
  }
  DWORD put = 0;
  BOOL ok = WriteFile(m_out, m_buffer.data(), got, &put, nullptr);
  DWORD error = !ok ? GetLastError() : put != got ? ERROR_DISK_FULL : 0;
  if (error) {
    Fail(Failure::kWrite, m_output, error);
    return false;
  }
  m_copied += got;
  return true;
}

void CJoinDialog::Finish() {
  StopWork();
  m_piece.Close();
  // A failed close can mean the data never reached the disk.
  if (!m_out.Close()) return Fail(Failure::kWrite, m_output, GetLastError());
  if (!MoveFileExW(m_temporary.c_str(), m_output.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Fail(Failure::kCreate, m_output, GetLastError());
  m_temporary.clear();
  g_sideEffects.messageBox(m_hWnd, splitjoin::kJoinDoneText, splitjoin::kJoinDoneCaption, MB_OK);
  EndDialog(IDOK);
}

void CJoinDialog::Fail(Failure what, const std::wstring& path, DWORD error) {
  StopWork();
  CloseFiles();
  std::wstring text = splitjoin::FailureMessage(what, path, error);
  ShowMessage(m_hWnd, text, splitjoin::kJoinErrorCaption, MB_OK | MB_ICONEXCLAMATION);
  EndDialog(IDABORT);
}

void CJoinDialog::CloseFiles() {
  m_piece.Close();
  m_out.Close();
  if (!m_temporary.empty()) DeleteFileW(m_temporary.c_str());
  m_temporary.clear();
}
