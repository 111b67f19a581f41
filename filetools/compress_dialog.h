// The compress dialog: asks for the archive's name, its format (LZH or ZIP)
// and whether to make a self-extracting program, then packs the dropped
// files, listed in the response file, with the format's archiver library.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/dialog.h"

class CCompressDialog : public CDialog {
 public:
  // `dropPath` is the first dropped file's path without its extension: the
  // archive goes into its folder and is named after it unless the user
  // changes the name. `responseFile` lists the files to pack, one quoted name
  // per line relative to that folder, in the current folder; with `names`
  // the dialog writes it again before packing, in the form the library's
  // entry reads (UTF-8 for a wide entry, the code page for a classic one).
  CCompressDialog(const std::wstring& dropPath, const char* responseFile, const std::vector<std::wstring>& names,
                  HWND owner = nullptr);
  // A path in the code page, and a response file used as it is.
  CCompressDialog(const char* dropPath, const char* responseFile, HWND owner = nullptr);

  // The fields the controls show and edit.
  int m_selfExtracting = 0;  // 0/1
  int m_format = 0;          // 0 LZH, 1 ZIP
  std::wstring m_name;       // without extension

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void TakeFields();
  void Compress();
  // Packs through the library's wide entry, or through its classic one when
  // every name has an exact 8-bit form.
  void CompressWide(HMODULE library, const char* entry);
  void CompressClassic(HMODULE library, const char* entry);
  bool WriteResponse(const std::string& bytes);
  // Runs one command; shows the library's text and gives false when it fails.
  bool Run(HMODULE library, const char* entry, const std::string& command);
  bool RunWide(HMODULE library, const char* entry, const std::wstring& command);

  std::wstring m_folder;  // where the archive goes, with its final backslash
  std::string m_responseFile;
  std::vector<std::wstring> m_names;
  bool m_writeResponse = false;
};
