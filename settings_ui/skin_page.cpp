#include "settings_ui/skin_page.h"

#include <cstring>

#include "framework/data_exchange.h"
#include "resources/resource.h"

namespace {

// Adds every entry of the pattern that is (or is not) a folder, in the order
// the file system gives them, leaving out "." and "..".
void ListEntries(HWND list, const char* pattern, bool folders) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder != folders) continue;
    if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

CSkinPage::CSkinPage(SheetSettings* values) : CSettingsPage(IDD_PAGE_SKIN, values) {}

BOOL CSkinPage::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  // Relative to the working folder, which is the program's own.
  HWND skins = GetDlgItem(IDC_SET_SKIN);
  ListEntries(skins, ".\\skin\\*.*", true);
  // The first entry that begins with the name, ignoring case.
  SendMessageA(skins, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(Values().Skin));
  HWND images = GetDlgItem(IDC_SET_LIST_IMAGE);
  ListEntries(images, ".\\skin\\*.bmp", false);
  SendMessageA(images, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(Values().ListViewBKImage));
  return result;
}

void CSkinPage::TakeSelected(int id, char* field, size_t size) {
  HWND list = GetDlgItem(id);
  LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (length == CB_ERR || size_t(length) >= size) return;
  char text[260];
  if (SendMessageA(list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text)) != CB_ERR)
    std::memcpy(field, text, size_t(length) + 1);
}

void CSkinPage::DoDataExchange(CDataExchange* dx) {
  // The lists are filled after the exchange that loads a page; a stored name
  // that matched no entry stays as it was.
  if (!dx->m_bSaveAndValidate) return;
  TakeSelected(IDC_SET_SKIN, Values().Skin, sizeof Values().Skin);
  TakeSelected(IDC_SET_LIST_IMAGE, Values().ListViewBKImage, sizeof Values().ListViewBKImage);
}
