// Property sheets and their pages over the common controls' property sheet.
//
// DoModal creates the sheet modeless (PSH_MODELESS) and runs it in a message
// loop of our own, as CDialog does: PreTranslateMessage sees key-downs first,
// the sheet's keyboard interface (Tab, Ctrl+Tab, Enter, Esc) comes after it
// through PSM_ISDIALOGMESSAGE, and a quit request ends the run. The run ends
// when the sheet has no current page any more, which is how a modeless sheet
// says OK or Cancel closed it; the window is then destroyed here.
//
// A page's window exists from its first activation until the sheet goes. Its
// life, in the order the sheet drives it:
//   OnInitDialog   first activation; the base loads the controls (UpdateData(false))
//   OnSetActive    each activation; the base reloads the controls after the first
//   OnKillActive   leaving the page, and on OK; the base saves and validates
//                  (UpdateData(true)); false keeps the page, and OK does not close
//   OnOK/OnCancel  the sheet closed with OK (every page that has a window, after
//                  the current one passed OnKillActive) or with Cancel
//   OnDestroy      the page's window is being destroyed; its controls still exist
// A page never shown has no window: none of these run and its fields keep the
// values they were constructed with.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/wnd.h"

class CDataExchange;
class CPropertySheet;

class CPropertyPage : public CWnd {
 public:
  // The tab shows the template's caption, or string captionId when not 0.
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  ~CPropertyPage() override;

  // Loads the controls from the fields (false) or saves and validates them
  // (true); false when validation refused a value.
  bool UpdateData(bool saveAndValidate = true);
  UINT TemplateId() const { return m_templateId; }
  // Page flags (PSP_*); the help button's flag is off unless set here.
  DWORD m_dwFlags = PSP_DEFAULT;

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  virtual BOOL OnInitDialog();
  virtual bool OnSetActive();
  virtual bool OnKillActive();
  virtual void OnOK() {}
  virtual void OnCancel() {}
  virtual void OnDestroy() {}
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class CPropertySheet;
  static INT_PTR CALLBACK StaticPageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnNotify(NMHDR* header);

  UINT m_templateId;
  std::string m_title;
  bool m_firstActivation = true;
  CPropertySheet* m_sheet = nullptr;
};

class CPropertySheet : public CWnd {
 public:
  // Caption from string captionId of the program's resources, or the text.
  explicit CPropertySheet(UINT captionId, HWND owner = nullptr);
  explicit CPropertySheet(const char* caption, HWND owner = nullptr);
  ~CPropertySheet() override;

  // Pages in the order of their tabs; the sheet does not own them.
  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return int(m_pages.size()); }
  CPropertyPage* GetPage(int index) const { return m_pages[size_t(index)]; }
  // Index of the page shown first.
  int m_startPage = 0;
  // Sheet flags (PSH_*) added to the framework's own. Neither a Help nor an
  // Apply button unless asked: PSH_HASHELP shows Help; Apply shows when
  // PSH_NOAPPLYNOW is taken out.
  DWORD m_dwFlags = PSH_NOAPPLYNOW;

  // IDOK or IDCANCEL as the sheet was closed; -1 when it could not be
  // created; IDABORT when a quit request ended the run (the request is put
  // back for the loop outside). Without an owner the application's main
  // window owns the sheet. The owner is disabled while the sheet runs.
  virtual INT_PTR DoModal();
  bool IsModalRunning() const { return m_modalRunning; }

  BOOL PreTranslateMessage(MSG* msg) override;

 private:
  friend class CPropertyPage;
  std::string m_caption;
  HWND m_owner;
  std::vector<CPropertyPage*> m_pages;
  bool m_modalRunning = false;
  // Whether the last close request the pages heard was OK (PSN_APPLY) rather
  // than Cancel (PSN_RESET).
  bool m_applied = false;
};
