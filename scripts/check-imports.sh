#!/bin/bash
# Checks that Windows programs start on Windows XP SP3: lists the imports of
# every .exe and .dll given (files, or folders searched for them) and fails,
# naming file, DLL and function, when one imports a DLL that XP does not ship
# or a function that XP's system DLLs lack (most came with Vista or later).
# Functions a program looks up at run time with GetProcAddress are not
# imports and are not checked: that is the way to use newer APIs.
# Usage: scripts/check-imports.sh [-v] FILE_OR_FOLDER...   (-v lists every import)
set -euo pipefail

OBJDUMP="${OBJDUMP:-x86_64-w64-mingw32-objdump}"  # reads PE32 and PE32+ alike
verbose=0
if [ "${1:-}" = -v ]; then verbose=1; shift; fi
[ $# -gt 0 ] || { echo "usage: $0 [-v] FILE_OR_FOLDER..." >&2; exit 2; }

# DLLs that Windows XP SP3 has in its system folder. Anything else (the
# compiler's libwinpthread-1.dll, libgcc_s_*.dll, libstdc++-6.dll, the
# universal CRT, dwmapi.dll...) would have to travel with the program.
XP_DLLS="
advapi32 avicap32 avifil32 comctl32 comdlg32 crypt32 cryptui d3d8 d3d9 ddraw dbghelp
dinput dinput8 dnsapi dsound gdi32 gdiplus glu32 hid icmp imagehlp imm32 iphlpapi
kernel32 lz32 mapi32 mpr msacm32 msimg32 msvcrt msvfw32 mswsock netapi32 ntdll
odbc32 ole32 oleacc oleaut32 oledlg olepro32 opengl32 powrprof psapi rasapi32
riched20 riched32 rpcrt4 secur32 sensapi setupapi shell32 shfolder shlwapi snmpapi
urlmon userenv user32 usp10 uxtheme version winhttp wininet winmm winspool.drv
wintrust wldap32 ws2_32 wsock32 wtsapi32
"

# Functions of XP's own DLLs that XP SP3 lacks (added in Windows Server 2003,
# XP x64, Vista, 7, 8 or 10), from the "minimum supported client" of each
# function's documentation. A trailing * matches any ending.
XP_MISSING="
kernel32:
  GetTickCount64 GetSystemTimePreciseAsFileTime QueryUnbiasedInterruptTime*
  InitializeSRWLock AcquireSRWLock* ReleaseSRWLock* TryAcquireSRWLock*
  InitializeConditionVariable SleepConditionVariable* WakeConditionVariable WakeAllConditionVariable
  InitOnce* InitializeCriticalSectionEx InterlockedCompareExchange64 InterlockedPushListSList*
  FlsAlloc FlsFree FlsGetValue FlsSetValue IsThreadAFiber
  CreateEventEx* CreateMutexEx* CreateSemaphoreEx* CreateWaitableTimerEx*
  CreateThreadpool* CloseThreadpool* SubmitThreadpoolWork TrySubmitThreadpoolCallback
  SetThreadpool* WaitForThreadpool* CallbackMayRunLong FlushProcessWriteBuffers
  WaitOnAddress WakeByAddress*
  GetFileInformationByHandleEx SetFileInformationByHandle GetFinalPathNameByHandle*
  CreateSymbolicLink* *Transacted *TransactedA *TransactedW ReOpenFile
  GetVolumeInformationByHandleW CreateFile2 CopyFile2 OpenFileById
  CancelIoEx CancelSynchronousIo GetQueuedCompletionStatusEx SetFileCompletionNotificationModes
  CompareStringEx LCIDToLocaleName LocaleNameToLCID GetLocaleInfoEx SetLocaleInfoEx
  GetUserDefaultLocaleName GetSystemDefaultLocaleName LCMapStringEx IsValidLocaleName
  GetDateFormatEx GetTimeFormatEx GetNumberFormatEx GetCurrencyFormatEx GetDurationFormat*
  GetCalendarInfoEx EnumSystemLocalesEx EnumCalendarInfoExEx EnumDateFormatsExEx
  EnumTimeFormatsEx FindNLSStringEx GetNLSVersionEx ResolveLocaleName GetStringScripts
  GetThreadPreferredUILanguages SetThreadPreferredUILanguages GetUserPreferredUILanguages
  GetSystemPreferredUILanguages GetProcessPreferredUILanguages SetProcessPreferredUILanguages
  GetUILanguageInfo GetFileMUIInfo GetFileMUIPath IdnToAscii IdnToUnicode IdnToNameprepUnicode
  NormalizeString IsNormalizedString GetDynamicTimeZoneInformation SetDynamicTimeZoneInformation
  GetTimeZoneInformationForYear
  GetErrorMode SetThreadErrorMode GetThreadErrorMode RaiseFailFastException
  QueryFullProcessImageName* GetThreadId GetProcessIdOfThread GetCurrentThreadStackLimits
  Wow64DisableWow64FsRedirection Wow64RevertWow64FsRedirection Wow64EnableWow64FsRedirection
  Wow64GetThreadContext Wow64SetThreadContext Wow64SuspendThread Wow64GetThreadSelectorEntry
  IsWow64Process2 GetSystemWow64Directory2*
  GetCurrentProcessorNumber GetCurrentProcessorNumberEx GetLogicalProcessorInformationEx
  GetActiveProcessorCount GetMaximumProcessorCount GetActiveProcessorGroupCount
  GetMaximumProcessorGroupCount SetThreadGroupAffinity GetThreadGroupAffinity
  GetProcessGroupAffinity GetNumaProximityNode* GetNumaNodeNumberFromHandle VirtualAllocExNuma
  GetProductInfo GetPhysicallyInstalledSystemMemory GetLargePageMinimum
  EnumSystemFirmwareTables GetSystemFirmwareTable SetThreadStackGuarantee
  AddVectoredContinueHandler RemoveVectoredContinueHandler
  QueryThreadCycleTime QueryProcessCycleTime QueryIdleProcessorCycleTime*
  Wer* RegisterApplicationRestart UnregisterApplicationRestart
  RegisterApplicationRecoveryCallback UnregisterApplicationRecoveryCallback
  ApplicationRecoveryInProgress ApplicationRecoveryFinished
  InitializeProcThreadAttributeList UpdateProcThreadAttribute DeleteProcThreadAttributeList
  CreateRemoteThreadEx GetNamedPipeClientProcessId GetNamedPipeServerProcessId
  GetNamedPipeClientSessionId GetNamedPipeServerSessionId GetNamedPipeClientComputerName*
  SetDefaultDllDirectories AddDllDirectory RemoveDllDirectory
  PowerCreateRequest PowerSetRequest PowerClearRequest K32*
  GetApplicationRestartSettings GetApplicationRecoveryCallback GetFileBandwidthReservation
  SetFileBandwidthReservation CreateBoundaryDescriptor* OpenPrivateNamespace* CreatePrivateNamespace*
user32:
  SetProcessDPIAware IsProcessDPIAware SetProcessDpiAwarenessContext GetDpiForWindow GetDpiForSystem
  SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext AdjustWindowRectExForDpi
  GetSystemMetricsForDpi SystemParametersInfoForDpi EnableNonClientDpiScaling
  LogicalToPhysicalPoint* PhysicalToLogicalPoint*
  ChangeWindowMessageFilter ChangeWindowMessageFilterEx
  AddClipboardFormatListener RemoveClipboardFormatListener GetUpdatedClipboardFormats
  RegisterPowerSettingNotification UnregisterPowerSettingNotification
  ShutdownBlockReasonCreate ShutdownBlockReasonDestroy ShutdownBlockReasonQuery
  GetWindowDisplayAffinity SetWindowDisplayAffinity UpdateLayeredWindowIndirect
  RegisterTouchWindow UnregisterTouchWindow IsTouchWindow GetTouchInputInfo CloseTouchInputHandle
  GetGestureInfo GetGestureExtraArgs CloseGestureInfoHandle SetGestureConfig GetGestureConfig
  GetPointer* EnableMouseInPointer CalculatePopupWindowPosition
  GetDisplayConfigBufferSizes QueryDisplayConfig SetDisplayConfig DisplayConfigGetDeviceInfo
  DisplayConfigSetDeviceInfo IsImmersiveProcess GetAwarenessFromDpiAwarenessContext
advapi32:
  RegGetValue* RegCopyTree* RegDeleteTree* RegDeleteKeyEx* RegSetKeyValue* RegDeleteKeyValue*
  RegLoadMUIString* RegLoadAppKey* RegOpenKeyTransacted* RegCreateKeyTransacted*
  RegDeleteKeyTransacted* RegDisableReflectionKey RegEnableReflectionKey RegQueryReflectionKey
  RegDisablePredefinedCacheEx
  EventRegister EventUnregister EventWrite EventWriteString EventWriteTransfer EventWriteEx
  EventEnabled EventProviderEnabled EventActivityIdControl EventSetInformation
  AddMandatoryAce InitiateShutdownA InitiateShutdownW NotifyServiceStatusChange*
  ControlServiceEx* QueryServiceDynamicInformation TreeResetNamedSecurityInfo*
  TreeSetNamedSecurityInfo* GetTraceLoggerHandle
shell32:
  SHGetKnownFolderPath SHGetKnownFolderIDList SHSetKnownFolderPath SHGetKnownFolderItem
  SHGetFolderPathEx SHCreateItemFromParsingName SHCreateItemFromIDList SHCreateItemWithParent
  SHCreateItemFromRelativeName SHCreateItemInKnownFolder SHCreateShellItemArray*
  SHGetIDListFromObject SHGetItemFromObject SHGetItemFromDataObject SHGetNameFromIDList
  SHGetPropertyStoreFromParsingName SHGetPropertyStoreFromIDList SHGetStockIconInfo
  SHOpenWithDialog SHQueryUserNotificationState Shell_NotifyIconGetRect
  SetCurrentProcessExplicitAppUserModelID GetCurrentProcessExplicitAppUserModelID
  SHEvaluateSystemCommandTemplate SHAssocEnumHandlers* SHCreateDefaultExtractIcon
  SHCreateDataObject SHCreateDefaultContextMenu SHCreateDefaultPropertiesOp
  SHGetDriveMedia SHGetLocalizedName SHGetTemporaryPropertyForItem
  SHSetTemporaryPropertyForItem SHAddDefaultPropertiesByExt AssocGetDetailsOfPropKey
  SHGetSetFolderCustomSettings SHBindToObject SHCreateAssociationRegistration
ws2_32:
  inet_pton inet_ntop InetPton* InetNtop* WSAPoll WSASendMsg WSAConnectByName* WSAConnectByList
  GetAddrInfoEx* SetAddrInfoEx* FreeAddrInfoEx*
iphlpapi:
  GetIfTable2 GetIfTable2Ex GetIfEntry2 GetIfEntry2Ex FreeMibTable GetIpInterfaceTable
  GetIpInterfaceEntry GetUnicastIpAddressTable GetUnicastIpAddressEntry GetAnycastIpAddressTable
  GetMulticastIpAddressTable GetIpForwardTable2 GetIpNetTable2 GetIpPathTable GetTcpTable2
  GetTcp6Table GetTcp6Table2 GetUdp6Table GetBestRoute2 GetIfStackTable GetInvertedIfStackTable
  NotifyIpInterfaceChange NotifyUnicastIpAddressChange NotifyRouteChange2 NotifyStableUnicastIpAddressTable
  CancelMibChangeNotify2 ConvertInterface* ConvertLength* if_nametoindex if_indextoname
  GetIfEntry2 InitializeIpInterfaceEntry SetIpInterfaceEntry ResolveIpNetEntry2
comctl32:
  TaskDialog TaskDialogIndirect LoadIconMetric LoadIconWithScaleDown
uxtheme:
  BufferedPaint* BeginBufferedPaint EndBufferedPaint GetBufferedPaint* BeginBufferedAnimation
  EndBufferedAnimation DrawThemeTextEx GetThemeBitmap GetThemeStream GetThemeTransitionDuration
  SetWindowThemeAttribute BeginPanningFeedback EndPanningFeedback UpdatePanningFeedback
  OpenThemeDataEx OpenThemeDataForDpi
ole32:
  CoGetApartmentType CoRegisterActivationFilter CoDisconnectContext
gdi32:
  D3DKMT*
msvcrt:
  *_s _fseeki64 _ftelli64 _get_output_format
"

# DLL:function pairs as one lower-case "dll pattern" list.
missing_list="$(awk '
  /^[a-z0-9_.]+:$/ { dll = substr($0, 1, length($0) - 1); next }
  { for (i = 1; i <= NF; i++) print dll, $i }' <<<"$XP_MISSING")"

files=()
for arg in "$@"; do
  if [ -d "$arg" ]; then
    while IFS= read -r -d '' f; do files+=("$f"); done \
      < <(find "$arg" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)
  elif [ -f "$arg" ]; then
    files+=("$arg")
  else
    echo "check-imports: $arg does not exist" >&2
    exit 2
  fi
done
[ ${#files[@]} -gt 0 ] || { echo "check-imports: no .exe or .dll in $*" >&2; exit 1; }

status=0
for f in "${files[@]}"; do
  dump="$("$OBJDUMP" -p "$f" 2>&1)" || { echo "check-imports: $f: $dump" >&2; status=1; continue; }
  # One "dll function" line per import; imports by ordinal read "#N".
  imports="$(awk '
    /^\tDLL Name: / { dll = tolower($3); sub(/\.dll$/, "", dll); next }
    dll != "" && /^\t[0-9a-f]+\t +[0-9]+  / { print dll, ($3 == "<none>" ? "#" $2 : $3); next }
    /^$/ { next }
    /^[^\t ]/ { dll = "" }' <<<"$dump")"
  if [ -z "$imports" ]; then
    echo "check-imports: $f: no import table found" >&2
    status=1
    continue
  fi
  [ $verbose = 1 ] && sed "s|^|$f: |" <<<"$imports"
  found="$(awk -v xpdlls="$XP_DLLS" '
    BEGIN { n = split(xpdlls, d); for (i = 1; i <= n; i++) known[d[i]] = 1 }
    FNR == NR { pat[++np] = $2; pdll[np] = $1; next }
    {
      if (!($1 in known) && !($1 ".dll" in known)) { if (!seen[$1]++) print "DLL " $1 ".dll is not a system DLL of Windows XP"; next }
      for (i = 1; i <= np; i++) {
        if (pdll[i] != $1) continue
        p = pat[i]; re = p; gsub(/[.]/, "\\.", re); gsub(/\*/, ".*", re)
        if ($2 ~ ("^" re "$")) { print $1 ".dll!" $2 " is missing on Windows XP SP3"; break }
      }
    }' <(printf '%s\n' "$missing_list") <(printf '%s\n' "$imports"))"
  if [ -n "$found" ]; then
    sed "s|^|check-imports: $f: |" <<<"$found" >&2
    status=1
  else
    echo "check-imports: $f: $(wc -l <<<"$imports") imports from $(cut -d' ' -f1 <<<"$imports" | sort -u | wc -l) DLLs, all present on Windows XP SP3"
  fi
done
exit $status
