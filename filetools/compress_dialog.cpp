#include "filetools/compress_dialog.h"

#include "resources/resource.h"
#include "filetools/archive_bridge.h"
#include "filetools/archive_commands.h"
#include "core/side_effects.h"
#include "framework/handles.h"
#include "framework/wide_text.h"

namespace {

const char kCaption[] = "圧縮エラー";
// After the library's file name.
const char kNameRefused[] = " はこの名前を扱えないため、圧縮できません";
const char kResponseRefused[] = "圧縮するファイルの一覧（res）を作成できません";

}  // namespace

CCompressDialog::CCompressDialog(const std::wstring& dropPath, const char* responseFile,
                                 const std::vector<std::wstring>& names, HWND owner)
    : CDialog(IDD_COMPRESS, owner), m_responseFile(responseFile), m_names(names), m_writeResponse(true) {
  size_t separator = dropPath.find_last_of(L"\\/");
  size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
  m_folder = dropPath.substr(0, nameStart);
  m_name = dropPath.substr(nameStart);
}

CCompressDialog::CCompressDialog(const char* dropPath, const char* responseFile, HWND owner)
    : CCompressDialog(Widen(dropPath, CP_ACP), responseFile, {}, owner) {
  m_writeResponse = false;
}

BOOL CCompressDialog::OnInitDialog() {
  HWND name = GetDlgItem(IDC_COMPRESS_NAME);
  HWND format = GetDlgItem(IDC_COMPRESS_FORMAT);
  SendMessageA(name, EM_LIMITTEXT, MAX_PATH - 1, 0);
  // The edit is a Unicode window: it shows the real name.
  SetWindowTextW(name, m_name.c_str());
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
  wchar_t name[MAX_PATH] = L"";
  GetDlgItemTextW(m_hWnd, IDC_COMPRESS_NAME, name, MAX_PATH);
  m_name = name;
  LRESULT format = SendMessageA(GetDlgItem(IDC_COMPRESS_FORMAT), CB_GETCURSEL, 0, 0);
  if (format >= 0 && format < archive::kCompressFormatCount) m_format = int(format);
  m_selfExtracting = IsDlgButtonChecked(m_hWnd, IDC_COMPRESS_SELF_EXTRACT) == BST_CHECKED ? 1 : 0;
}

bool CCompressDialog::Run(HMODULE library, const char* entry, const std::string& command) {
  std::string text;
  int result = CallWorkEntry(library, entry, command, &text);
  if (!archive::IsErrorResult(result)) return true;
  g_sideEffects.messageBox(m_hWnd, archive::ErrorText(text, result).c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
  return false;
}

bool CCompressDialog::RunWide(HMODULE library, const char* entry, const std::wstring& command) {
  std::wstring text;
  int result = CallWideWorkEntry(library, entry, command, &text);
  if (!archive::IsErrorResult(result)) return true;
  if (text.empty()) text = Widen(archive::ErrorText(std::string(), result), CP_ACP);
  ShowMessage(m_hWnd, text, kCaption, MB_OK | MB_ICONINFORMATION);
  return false;
}

bool CCompressDialog::WriteResponse(const std::string& bytes) {
  CHandle file(CreateFileA(m_responseFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
  DWORD wrote = 0;
  bool written = file.Valid() && WriteFile(file, bytes.data(), DWORD(bytes.size()), &wrote, nullptr) &&
                 wrote == bytes.size();
  if (!file.Close()) written = false;
  if (!written) ShowMessage(m_hWnd, Widen(kResponseRefused, CP_ACP), kCaption, MB_OK | MB_ICONINFORMATION);
  return written;
}

void CCompressDialog::CompressWide(HMODULE library, const char* entry) {
  if (m_writeResponse) {
    std::string bytes;
    for (const std::wstring& name : m_names) bytes += "\"" + Narrow(name, CP_UTF8) + "\"\r\n";
    if (!WriteResponse(bytes)) return;
  }
  // Packing updates an archive already there: that one is the user's and
  // is never deleted.
  std::wstring archivePath = archive::ArchivePath(m_format, m_folder, m_name);
  bool existed = GetFileAttributesW(archivePath.c_str()) != INVALID_FILE_ATTRIBUTES;
  std::wstring response = Widen(m_responseFile, CP_ACP);
  if (RunWide(library, entry, archive::PackCommand(m_format, m_folder, m_name, response)) && m_selfExtracting) {
    if (RunWide(library, entry, archive::SelfExtractingCommand(m_format, m_folder, m_name)) && !existed)
      DeleteFileW(archivePath.c_str());
  }
}

void CCompressDialog::CompressClassic(HMODULE library, const char* entry) {
  // A library of 8-bit names gets only names the code page holds exactly: a
  // look-alike would pack another file or name the archive wrongly.
  std::string folder, name, bytes;
  const std::wstring* refused = nullptr;
  for (const std::wstring& each : m_names) {
    std::string narrow;
    if (!NarrowExact(each, CP_ACP, &narrow)) {
      refused = &each;
      break;
    }
    bytes += "\"" + narrow + "\"\r\n";
  }
  std::wstring archivePath = archive::ArchivePath(m_format, m_folder, m_name);
  if (!refused && (!NarrowExact(m_folder, CP_ACP, &folder) || !NarrowExact(m_name, CP_ACP, &name)))
    refused = &archivePath;
  if (refused) {
    std::wstring text = *refused + L"\n" + Widen(archive::kCompressFormats[m_format].file, CP_ACP);
    ShowMessage(m_hWnd, text + Widen(kNameRefused, CP_ACP), kCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (m_writeResponse && !WriteResponse(bytes)) return;
  std::string narrowArchive = archive::ArchivePath(m_format, folder, name);
  bool existed = GetFileAttributesA(narrowArchive.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (Run(library, entry, archive::PackCommand(m_format, folder, name, m_responseFile)) && m_selfExtracting) {
    // The plain archive this packing made is only an intermediate step, but
    // it stays when the self-extracting program could not be made from it.
    if (Run(library, entry, archive::SelfExtractingCommand(m_format, folder, name)) && !existed)
      DeleteFileA(narrowArchive.c_str());
  }
}

void CCompressDialog::Compress() {
  TakeFields();
  const archive::CompressFormat& format = archive::kCompressFormats[m_format];
  HMODULE library = LoadLibraryA(format.file);
  bool wide = library && GetProcAddress(library, archive::WideEntryName(format.workEntry).c_str());
  // A library without its work entry is as good as missing.
  if (!library || (!wide && !GetProcAddress(library, format.workEntry))) {
    if (library) FreeLibrary(library);
    g_sideEffects.messageBox(m_hWnd, format.missingMessage, kCaption, MB_OK | MB_ICONINFORMATION);
    EndDialog(0);
    return;
  }
  if (wide) CompressWide(library, format.workEntry);
  else CompressClassic(library, format.workEntry);
  FreeLibrary(library);
  EndDialog(0);
}
