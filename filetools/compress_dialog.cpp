#include "filetools/compress_dialog.h"

#include "resources/resource.h"
#include "filetools/archive_bridge.h"
#include "filetools/archive_commands.h"
#include "core/side_effects.h"
#include "framework/text.h"

CCompressDialog::CCompressDialog(const char* dropPath, const char* responseFile, HWND owner)
    : CDialog(IDD_COMPRESS, owner), m_responseFile(responseFile) {
  std::string path(dropPath);
  size_t separator = text::LastSeparator(path.c_str());
  size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  m_folder = path.substr(0, nameStart);
  m_name = path.substr(nameStart);
}

BOOL CCompressDialog::OnInitDialog() {
  HWND name = GetDlgItem(IDC_COMPRESS_NAME);
  HWND format = GetDlgItem(IDC_COMPRESS_FORMAT);
  SendMessageA(name, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SetWindowTextA(name, m_name.c_str());
  SendMessageA(format, CB_RESETCONTENT, 0, 0);
  for (const archive::CompressFormat& row : archive::kCompressFormats)
    SendMessageA(format, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.label));
  SendMessageA(format, CB_SETCURSEL, m_format, 0);
  CheckDlgButton(m_hWnd, IDC_COMPRESS_SELF_EXTRACT, m_selfExtracting ? BST_CHECKED : BST_UNCHECKED);

  // Enter packs; the name is ready to be typed over.
  SendMessageA(m_hWnd, DM_SETDEFID, IDC_COMPRESS_START, 0);
  SetFocus(name);
  SendMessageA(name, EM_SETSEL, 0, -1);
  return FALSE;
}

LRESULT CCompressDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_COMPRESS_START && HIWORD(wParam) == BN_CLICKED) {
    Compress();
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void CCompressDialog::TakeFields() {
  char name[MAX_PATH] = "";
  GetDlgItemTextA(m_hWnd, IDC_COMPRESS_NAME, name, sizeof name);
  m_name = name;
  LRESULT format = SendMessageA(GetDlgItem(IDC_COMPRESS_FORMAT), CB_GETCURSEL, 0, 0);
  if (format >= 0 && format < archive::kCompressFormatCount) m_format = int(format);
  m_selfExtracting = IsDlgButtonChecked(m_hWnd, IDC_COMPRESS_SELF_EXTRACT) == BST_CHECKED ? 1 : 0;
}

bool CCompressDialog::Run(HMODULE library, const char* entry, const std::string& command) {
  std::string text;
  int result = CallWorkEntry(library, entry, command, &text);
  if (!archive::IsErrorResult(result)) return true;
  g_sideEffects.messageBox(m_hWnd, archive::ErrorText(text, result).c_str(), "圧縮エラー", MB_OK | MB_ICONINFORMATION);
  return false;
}

void CCompressDialog::Compress() {
  TakeFields();
  const archive::CompressFormat& format = archive::kCompressFormats[m_format];
  HMODULE library = LoadLibraryA(format.file);
  // A library without its work entry is as good as missing.
  if (!library || !GetProcAddress(library, format.workEntry)) {
    if (library) FreeLibrary(library);
    g_sideEffects.messageBox(m_hWnd, format.missingMessage, "圧縮エラー", MB_OK | MB_ICONINFORMATION);
    EndDialog(0);
    return;
  }
  // Packing updates an archive already there: that one is the user's and
  // is never deleted.
  std::string archivePath = archive::ArchivePath(m_format, m_folder, m_name);
  bool existed = GetFileAttributesA(archivePath.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (Run(library, format.workEntry, archive::PackCommand(m_format, m_folder, m_name, m_responseFile)) &&
      m_selfExtracting) {
    // The plain archive this packing made is only an intermediate step, but
    // it stays when the self-extracting program could not be made from it.
    if (Run(library, format.workEntry, archive::SelfExtractingCommand(m_format, m_folder, m_name)) && !existed)
      DeleteFileA(archivePath.c_str());
  }
  FreeLibrary(library);
  EndDialog(0);
}
