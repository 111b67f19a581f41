// The join dialog: the pieces path.001, path.002, ... of one set are copied
// one after another into a temporary file beside path, which replaces path
// only when the join ends normally; a failure, a missing piece or the close
// box leaves path as it was. The work runs on the dialog's timer in
// 1,000,000-byte slices, as many per timer message as fit in about 15 ms.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "filetools/sliced_work_dialog.h"
#include "filetools/split_plan.h"

// Joins the pieces of which `path` is the first (its extension must be
// ".001") in a modal dialog owned by `owner`; refuses any other path with a
// message owned by `owner`.
void StartJoin(HWND owner, const std::wstring& path);
// A path in the code page.
void StartJoin(HWND owner, const char* path);

class CJoinDialog : public splitjoin::CSlicedWorkDialog {
 public:
  // `output` is the joined file; the pieces are its name plus ".001" on.
  CJoinDialog(const std::wstring& output, HWND owner);
  ~CJoinDialog() override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Which pieces belong to the set; false when the join cannot start.
  bool PlanPieces();
  bool CreateTemporary();
  // One slice; false when the join ended, finished or failed.
  bool Slice() override;
  int Progress() const override;
  bool OpenNextPiece();
  void Finish();
  void Fail(splitjoin::Failure what, const std::wstring& path, DWORD error);
  // Closes the files and removes the unfinished temporary file.
  void CloseFiles();

  std::wstring m_output;
  std::wstring m_temporary;  // empty until created
  CHandle m_out;
  CHandle m_piece;
  std::wstring m_pieceName;
  std::vector<char> m_buffer;
  uint64_t m_index = 0;  // next or current piece, 0-based; its number is index + 1
  uint64_t m_count = 0;  // pieces of the set
  uint64_t m_pieceBytes = 0;
  uint64_t m_copied = 0;
};
