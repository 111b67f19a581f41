#include "skin_page.h"

#include <cstring>

#include "core/settings.h"
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

CMyPropertyPage9::CMyPropertyPage9() : CSettingsPage(IDD_PAGE_SKIN) { Transfer(false); }

BOOL CMyPropertyPage9::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  // Relative to the working folder, which is the program's own.
  HWND skins = GetDlgItem(IDC_SET_SKIN);
  ListEntries(skins, ".\\skin\\*.*", true);
  // The first entry that begins with the name, ignoring case.
  SendMessageA(skins, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(m_skin));
  HWND images = GetDlgItem(IDC_SET_LIST_IMAGE);
  ListEntries(images, ".\\skin\\*.bmp", false);
  SendMessageA(images, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(m_listImage));
  return result;
}

bool CMyPropertyPage9::SelectedText(int id, char* out, size_t size) {
  HWND list = GetDlgItem(id);
  LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return false;
  LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (length == CB_ERR || size_t(length) >= size) return false;
  return SendMessageA(list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(out)) != CB_ERR;
}

void CMyPropertyPage9::Transfer(bool store) {
  if (store) {
    // A stored name that matched no entry stays as it was.
    char text[260];
    if (SelectedText(IDC_SET_SKIN, text, sizeof m_skin)) CopyField(m_skin, sizeof m_skin, text);
    if (SelectedText(IDC_SET_LIST_IMAGE, text, sizeof m_listImage))
      CopyField(m_listImage, sizeof m_listImage, text);
  }
  Exchange(store, m_skin, SettingsWorkingCopy.Skin);
  Exchange(store, m_listImage, SettingsWorkingCopy.ListViewBKImage);
}
