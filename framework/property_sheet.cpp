#include "framework/property_sheet.h"

#include <cstring>

#include "framework/app.h"
#include "framework/data_exchange.h"

namespace {

std::string LoadResourceString(UINT id) {
  char buffer[256] = "";
  LoadStringA(AfxGetInstanceHandle(), id, buffer, sizeof buffer);
  return buffer;
}

}  // namespace

// ---- CPropertyPage ----

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : m_templateId(templateId) {
  if (captionId) m_title = LoadResourceString(captionId);
}

CPropertyPage::~CPropertyPage() = default;

bool CPropertyPage::UpdateData(bool saveAndValidate) {
  CDataExchange dx(m_hWnd, saveAndValidate);
  DoDataExchange(&dx);
  return !dx.Failed();
}

BOOL CPropertyPage::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

bool CPropertyPage::OnSetActive() {
  // The first activation follows OnInitDialog, which has just loaded them.
  if (m_firstActivation)
    m_firstActivation = false;
  else
    UpdateData(false);
  return true;
}

bool CPropertyPage::OnKillActive() { return UpdateData(true); }

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return FALSE;  // everything else reaches WindowProc
  // The sheet hands over its own copy of the page record; ours is in lParam.
  auto* page = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
  page->SubclassWindow(hwnd);
  page->m_firstActivation = true;
  return page->OnInitDialog();
}

LRESULT CPropertyPage::OnNotify(NMHDR* header) {
  switch (header->code) {
    case PSN_SETACTIVE:
      return OnSetActive() ? 0 : -1;
    case PSN_KILLACTIVE:
      return OnKillActive() ? FALSE : TRUE;
    case PSN_APPLY:
      if (m_sheet) m_sheet->m_applied = true;
      OnOK();
      return PSNRET_NOERROR;
    case PSN_RESET:
      if (m_sheet) m_sheet->m_applied = false;
      OnCancel();
      return 0;
  }
  return Default();
}

LRESULT CPropertyPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom != GetParent(m_hWnd)) break;
      // The sheet reads the answer from the send; a dialog's answer also
      // belongs in its message result.
      LRESULT result = OnNotify(header);
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return result;
    }
    case WM_DESTROY:
      OnDestroy();
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

// ---- CPropertySheet ----

CPropertySheet::CPropertySheet(UINT captionId, HWND owner)
    : m_caption(LoadResourceString(captionId)), m_owner(owner) {}

CPropertySheet::CPropertySheet(const char* caption, HWND owner) : m_caption(caption ? caption : ""), m_owner(owner) {}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
  page->m_sheet = this;
  m_pages.push_back(page);
}

INT_PTR CPropertySheet::DoModal() {
  if (m_pages.empty() || m_hWnd) return -1;
  HWND owner = m_owner;
  if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd) owner = AfxGetApp()->m_pMainWnd->m_hWnd;
  if (owner) owner = GetAncestor(owner, GA_ROOT);

  // The first versions of both records: all the sheet needs, and what every
  // common-controls version accepts. The sheet steps through the page array
  // by each record's dwSize, so the records lie packed at that size.
  const size_t recordSize = PROPSHEETPAGEA_V1_SIZE;
  std::vector<unsigned char> records(m_pages.size() * recordSize);
  for (size_t i = 0; i < m_pages.size(); ++i) {
    PROPSHEETPAGEA r = {};
    r.dwSize = DWORD(recordSize);
    r.dwFlags = m_pages[i]->m_dwFlags;
    if (!m_pages[i]->m_title.empty()) {
      r.dwFlags |= PSP_USETITLE;
      r.pszTitle = m_pages[i]->m_title.c_str();
    }
    r.hInstance = AfxGetInstanceHandle();
    r.pszTemplate = MAKEINTRESOURCEA(m_pages[i]->m_templateId);
    r.pfnDlgProc = CPropertyPage::StaticPageProc;
    r.lParam = reinterpret_cast<LPARAM>(m_pages[i]);
    std::memcpy(&records[i * recordSize], &r, recordSize);
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = PROPSHEETHEADERA_V1_SIZE;
  header.dwFlags = m_dwFlags | PSH_PROPSHEETPAGE | PSH_MODELESS;
  if (!(m_dwFlags & PSH_HASHELP)) header.dwFlags |= PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = AfxGetInstanceHandle();
  header.pszCaption = m_caption.c_str();
  header.nPages = UINT(m_pages.size());
  header.nStartPage = UINT(m_startPage >= 0 && size_t(m_startPage) < m_pages.size() ? m_startPage : 0);
  header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(records.data());

  m_applied = false;
  auto created = PropertySheetA(&header);
  HWND hwnd = reinterpret_cast<HWND>(created);
  if (created <= 0 || !IsWindow(hwnd)) return -1;
  SubclassWindow(hwnd);
  // OK or Cancel leaves a modeless sheet without a current page; the
  // pages' OnDestroy run when the bracket destroys the window.
  ModalRun run;
  run.window = m_hWnd;
  run.owner = owner;
  run.running = &m_modalRunning;
  if (RunModal(run, [this] { return m_hWnd && SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0); }) >= 0)
    return IDABORT;
  return m_applied ? IDOK : IDCANCEL;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  // The sheet's keyboard interface: Tab between controls, Ctrl+Tab between
  // pages, Enter for OK and Esc for Cancel.
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_hWnd)
    return SendMessageA(m_hWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)) != 0;
  return FALSE;
}
