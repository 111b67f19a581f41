// The compress dialog: asks for the archive's name, its format (LZH or ZIP)
// and whether to make a self-extracting program, then packs the dropped
// files, listed in the response file, with the format's archiver library.
#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"

class CCompressDialog : public CDialog {
 public:
  // `dropPath` is the first dropped file's path without its extension: the
  // archive goes into its folder and is named after it unless the user
  // changes the name. `responseFile` lists the files to pack, one quoted name
  // per line relative to that folder, in the current folder.
  CCompressDialog(const char* dropPath, const char* responseFile, HWND owner = nullptr);

  // The fields the controls show and edit.
  int m_selfExtracting = 0;  // 0/1
  int m_format = 0;          // 0 LZH, 1 ZIP
  std::string m_name;        // without extension

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void TakeFields();
  void Compress();
  // Runs one command; shows the library's text and gives false when it fails.
  bool Run(HMODULE library, const char* entry, const std::string& command);

  std::string m_folder;  // where the archive goes, with its final backslash
  std::string m_responseFile;
};
