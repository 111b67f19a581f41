#pragma once
#define IDD_SFX 100
#define IDC_SFX_FOLDER 1001
#define IDC_SFX_PROGRESS 1002
#define IDC_SFX_STATUS 1003
#define IDI_SFX 1
