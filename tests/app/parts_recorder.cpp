#include "parts_recorder.h"

#include <algorithm>

#include "core/side_effects.h"

namespace parts_recorder {

std::vector<std::string> log;
bool realTimers = false;
INT_PTR sheetResult = IDCANCEL;
std::vector<TrayCall> trayCalls;

namespace {
BOOL (*g_shellTrayNotify)(DWORD, NOTIFYICONDATAA*) = nullptr;

BOOL RecordTrayNotify(DWORD message, NOTIFYICONDATAA* record) {
  trayCalls.push_back({message, record->hWnd, record->uID, record->cbSize});
  return g_shellTrayNotify(message, record);
}
}  // namespace

std::vector<std::pair<HWND, UINT>> LiveTrayIcons() {
  std::vector<std::pair<HWND, UINT>> live;
  for (const TrayCall& call : trayCalls) {
    std::pair<HWND, UINT> icon(call.window, call.id);
    auto found = std::find(live.begin(), live.end(), icon);
    if (call.message == NIM_ADD && found == live.end()) live.push_back(icon);
    if (call.message == NIM_DELETE && found != live.end()) live.erase(found);
  }
  return live;
}

#define RECORD0(name) \
  [] {                \
    log.push_back(#name); \
    kMainWindowParts.name(); \
  }
#define RECORD1(name)                \
  [](CMainDialog& d) {               \
    log.push_back(#name);            \
    return kMainWindowParts.name(d); \
  }

void Install() {
  MainWindowParts p = kMainWindowParts;
  p.coInitialize = RECORD0(coInitialize);
  p.createGraph = RECORD1(createGraph);
  p.detectOsClass = RECORD0(detectOsClass);
  p.startCpuUsage = RECORD0(startCpuUsage);
  p.addTrayIcon = RECORD1(addTrayIcon);
  p.loadSettings = RECORD1(loadSettings);
  p.createPanelSurfaces = RECORD1(createPanelSurfaces);
  p.preparePlaylist = RECORD1(preparePlaylist);
  p.applyListBackground = RECORD1(applyListBackground);
  p.loadBackupList = RECORD1(loadBackupList);
  p.applySkin = RECORD1(applySkin);
  p.createLauncher = RECORD1(createLauncher);
  p.setTimer = [](HWND w, UINT_PTR id, UINT ms) {
    log.push_back("setTimer " + std::to_string(id) + " " + std::to_string(ms));
    if (realTimers) kMainWindowParts.setTimer(w, id, ms);
  };
  p.killTimer = [](HWND w, UINT_PTR id) {
    log.push_back("killTimer " + std::to_string(id));
    kMainWindowParts.killTimer(w, id);
  };
  p.playlistTick = RECORD1(playlistTick);
  p.trayBlinkStep = [](CMainDialog& d) {
    log.push_back("trayBlinkStep");
    kMainWindowParts.trayBlinkStep(d);
    return true;  // as if the mail icon were showing now
  };
  p.restoreTrayIcon = RECORD1(restoreTrayIcon);
  p.stopPlayback = RECORD1(stopPlayback);
  p.saveBackupList = RECORD1(saveBackupList);
  p.saveWindowState = RECORD1(saveWindowState);
  p.shutdownSystem = [] { log.push_back("shutdownSystem"); };
  p.postQuit = [] { log.push_back("postQuit"); };
  p.refreshStatusPanel = RECORD1(refreshStatusPanel);
  p.runMailCheck = RECORD1(runMailCheck);
  p.autoCleanTick = RECORD1(autoCleanTick);
  p.peekCheck = RECORD1(peekCheck);
  p.blitStatusPanel = RECORD1(blitStatusPanel);
  p.stopCpuUsage = RECORD0(stopCpuUsage);
  p.removeTrayIcon = RECORD1(removeTrayIcon);
  p.closeMailSound = RECORD0(closeMailSound);
  p.mailSoundNotify = [](WPARAM flags) {
    log.push_back("mailSoundNotify " + std::to_string(flags));
    kMainWindowParts.mailSoundNotify(flags);
  };
  p.releaseMedia = RECORD1(releaseMedia);
  p.coUninitialize = RECORD0(coUninitialize);
  p.cleanMemory = RECORD1(cleanMemory);
  p.playlistCommand = [](CMainDialog& d, int id) {
    log.push_back("playlistCommand " + std::to_string(id));
    kMainWindowParts.playlistCommand(d, id);
  };
  p.sliderScroll = [](CMainDialog& d, int code) {
    log.push_back("sliderScroll " + std::to_string(code));
    kMainWindowParts.sliderScroll(d, code);
  };
  p.setVolume = [](CMainDialog& d, int level) {
    log.push_back("setVolume " + std::to_string(level));
    kMainWindowParts.setVolume(d, level);
  };
  p.dropFiles = [](CMainDialog& d, HDROP drop) {
    log.push_back("dropFiles");
    kMainWindowParts.dropFiles(d, drop);
  };
  p.runSettingsSheet = [](CMainDialog&) -> INT_PTR {
    log.push_back("runSettingsSheet");
    return sheetResult;
  };
  p.applyTransparency = RECORD1(applyTransparency);
  p.syncStartupShortcut = [](CMainDialog&) { log.push_back("syncStartupShortcut"); };
  p.systemCommand = [](CMainDialog&, int id) { log.push_back("systemCommand " + std::to_string(id)); };
  p.trayNotify = [](CMainDialog& d, LPARAM mouse) {
    log.push_back("trayNotify " + std::to_string(mouse));
    return kMainWindowParts.trayNotify(d, mouse);
  };
  p.showTrayMenu = [](CMainDialog&, int, int) { log.push_back("showTrayMenu"); };
  p.launchEntry = [](CMainDialog&, int n) { log.push_back("launchEntry " + std::to_string(n)); };
  p.resetLauncherPage = RECORD1(resetLauncherPage);
  p.destroyLauncher = RECORD1(destroyLauncher);
  g_mainParts = p;
  log.clear();
  trayCalls.clear();
  if (g_sideEffects.trayNotify != RecordTrayNotify) {
    g_shellTrayNotify = g_sideEffects.trayNotify;
    g_sideEffects.trayNotify = RecordTrayNotify;
  }
}

void Uninstall() {
  realTimers = false;
  sheetResult = IDCANCEL;
}

}  // namespace parts_recorder
