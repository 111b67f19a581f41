// The split dialog: a file is cut into numbered pieces of a chosen size, with
// an optional batch file that joins them again. The work runs on the dialog's
// timer in 1,000,000-byte slices, as many per timer message as fit in about
// 15 ms, so the dialog stays responsive and the progress bar moves.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "filetools/sliced_work_dialog.h"
#include "filetools/split_plan.h"

// Builds the split dialog for `path` and runs it modally, owned by `owner`.
void StartSplit(HWND owner, const std::wstring& path);
// A path in the code page.
void StartSplit(HWND owner, const char* path);

class CSplitDialog : public splitjoin::CSlicedWorkDialog {
 public:
  CSplitDialog(const std::wstring& path, HWND owner);
  ~CSplitDialog() override;

 protected:
  BOOL OnInitDialog() override;
  // The default button starts the split; Enter reaches it as command 1039.
  void OnOK() override {}
  void OnCancel() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ShowCount();
  void OnStart();
  // One slice; false when the split finished or failed (and said so).
  bool Slice() override;
  int Progress() const override;
  void Finish();
  void Fail(splitjoin::Failure what, const std::wstring& path, DWORD error);
  // The message box, then the dialog ready for input again, the size selected.
  void Refuse(const std::wstring& text, UINT icon);
  // The batch file's bytes: in the console's code page when it holds the
  // name, else in UTF-8 with the switch to it.
  std::string BatchBytes() const;
  void CloseFiles();
  // Removes the pieces and the batch file this split wrote: a failed split
  // leaves no set that would join into a broken file.
  void RemoveWritten();

  std::wstring m_path;
  uint64_t m_fileSize = 0;
  uint64_t m_pieceSize = 1;
  uint64_t m_count = 0;

  CHandle m_source;
  CHandle m_piece;
  std::wstring m_pieceName;
  std::vector<char> m_buffer;
  uint64_t m_written = 0;
  uint64_t m_pieceIndex = 0;  // 0-based; piece number is index + 1
  uint64_t m_slice = 0;       // within the current piece
  uint64_t m_pieceBytes = 0;
  uint64_t m_created = 0;  // pieces 1..created exist by this split
  bool m_batchCreated = false;
};
