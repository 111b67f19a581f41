// What every page of the settings sheet shares: its controls exchange with the
// sheet's own copy of SettingsWorkingCopy, which goes back there when a page's
// window closes with the sheet confirmed. A page never shown has no window and
// so never changes its part of that copy, and Cancel writes nothing (the
// working copy is refilled at the next opening anyway, and a refused value
// must not raise a message while the sheet goes away).
#pragma once
#include <windows.h>

#include "core/settings.h"
#include "framework/property_sheet.h"

class CSettingsPage : public CPropertyPage {
 public:
  // `values`: the sheet's copy of the working copy, which the page's controls
  // exchange with; null for a page that only shows information.
  explicit CSettingsPage(UINT templateId, SheetSettings* values = nullptr)
      : CPropertyPage(templateId), m_values(values) {}

 protected:
  SheetSettings& Values() { return *m_values; }
  void OnOK() override { m_confirmed = true; }
  void OnDestroy() override;

  // Fills a drop-down list with entries and clears what it held.
  void FillList(int id, const char* const* entries, int count);
  // The same with the numbers first..last as entries ("0", "1", ...).
  void FillNumberList(int id, int first, int last);
  // At most size - 1 bytes can be typed into a text field.
  void LimitText(int id, size_t size);

 private:
  SheetSettings* m_values;
  bool m_confirmed = false;
};
