#include "settings_ui/processor_page.h"

#include "resources/resource.h"
#include "status/cpu_info.h"
#include "status/cpu_info_text.h"

CProcessorPage::CProcessorPage() : CSettingsPage(IDD_PAGE_CPU) {}

BOOL CProcessorPage::OnInitDialog() {
  BOOL result = CSettingsPage::OnInitDialog();
  CpuInfo info;
  int probe = ReadCpuInfo(&info);
  CpuLabel labels[kCpuLabelCount];
  if (ApplyCpuLabels(probe, info, labels)) {
    // In the order the labels come: vendor, type, family, model, stepping,
    // MMX, SSE, SSE2, 3DNow!, clock.
    const int ids[kCpuLabelCount] = {IDC_SET_CPU_VENDOR,   IDC_SET_CPU_TYPE, IDC_SET_CPU_FAMILY,
                                     IDC_SET_CPU_MODEL,    IDC_SET_CPU_STEPPING, IDC_SET_CPU_MMX,
                                     IDC_SET_CPU_SSE,      IDC_SET_CPU_SSE2, IDC_SET_CPU_3DNOW,
                                     IDC_SET_CPU_CLOCK};
    for (int i = 0; i < kCpuLabelCount; ++i) SetDlgItemTextA(m_hWnd, ids[i], labels[i]);
  }
  return result;
}
