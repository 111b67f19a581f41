// What every page of the settings sheet shares: its fields come from
// SettingsWorkingCopy when it is constructed and go back there when its window
// closes with the sheet confirmed. A page never shown has no window and so
// never writes, and Cancel writes nothing (the working copy is refilled at the
// next opening anyway, and a refused value must not raise a message while the
// sheet goes away).
#pragma once
#include <windows.h>

#include <cstring>

#include "framework/property_sheet.h"

// Copies a text field into one of `size` bytes (the same size or larger
// wherever the sheet uses it), always terminated.
inline void CopyField(char* to, size_t size, const char* from) {
  size_t length = strnlen(from, size - 1);
  std::memcpy(to, from, length);
  to[length] = '\0';
}

// Moves one value between a page's field and the working copy: into the copy
// when `store`, out of it otherwise.
inline void Exchange(bool store, int& field, int& setting) {
  if (store)
    setting = field;
  else
    field = setting;
}
template <size_t N, size_t M>
void Exchange(bool store, char (&field)[N], char (&setting)[M]) {
  static_assert(N == M, "a page's text field holds exactly what its setting holds");
  if (store)
    CopyField(setting, M, field);
  else
    CopyField(field, N, setting);
}

class CSettingsPage : public CPropertyPage {
 public:
  explicit CSettingsPage(UINT templateId) : CPropertyPage(templateId) {}

 protected:
  // Moves the page's fields to SettingsWorkingCopy (store) or from it; each
  // page's constructor takes its fields out with it.
  virtual void Transfer(bool /*store*/) {}
  void OnOK() override { m_confirmed = true; }
  void OnDestroy() override;

  // Fills a drop-down list with entries and clears what it held.
  void FillList(int id, const char* const* entries, int count);
  // The same with the numbers first..last as entries ("0", "1", ...).
  void FillNumberList(int id, int first, int last);
  // At most size - 1 bytes can be typed into a text field.
  void LimitText(int id, size_t size);

 private:
  bool m_confirmed = false;
};
