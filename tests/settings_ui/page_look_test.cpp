// Each page of the settings sheet as it appears on the screen: every text
// whole inside its control, drawn, and with a glyph for every character of
// the Japanese font. With TOVIX_SCREENSHOTS set to a folder, each page is
// saved there as a bitmap to be looked at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/app.h"
#include "tests/settings_ui/sheet_fixture.h"

using namespace sheet_script;

namespace {

std::string ClassName(HWND w) {
  char name[64] = "";
  GetClassNameA(w, name, sizeof name);
  return name;
}

// A window's pixels as it painted them, as 32-bit BGRX rows top-down, read
// from the window's own surface (with its child windows): the screen shows
// them only once the display has caught up, later on a busy machine.
struct Capture {
  RECT at;
  int width, height;
  std::vector<DWORD> pixels;
  DWORD At(int screenX, int screenY) const {
    return pixels[size_t(screenY - at.top) * size_t(width) + size_t(screenX - at.left)];
  }
};
Capture CaptureWindow(HWND w) {
  Capture c;
  GetWindowRect(w, &c.at);
  c.width = c.at.right - c.at.left;
  c.height = c.at.bottom - c.at.top;
  c.pixels.resize(size_t(c.width) * size_t(c.height));
  HDC window = GetWindowDC(w);
  HDC memory = CreateCompatibleDC(window);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.width, -c.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, c.width, c.height, window, 0, 0, SRCCOPY);
  GdiFlush();
  std::memcpy(c.pixels.data(), bits, c.pixels.size() * 4);
  SelectObject(memory, old);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(w, window);
  return c;
}

void SaveCapture(const Capture& c, const std::string& path) {
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {sizeof info, c.width, -c.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  DWORD bytes = DWORD(c.pixels.size() * 4);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  std::string data(reinterpret_cast<const char*>(&file), sizeof file);
  data.append(reinterpret_cast<const char*>(&info), sizeof info);
  data.append(reinterpret_cast<const char*>(c.pixels.data()), bytes);
  TempFolder::Write(path, data);
}

// Dark pixels (the text colour) inside a screen rectangle.
int InkIn(const Capture& c, RECT r) {
  int ink = 0;
  for (int y = std::max(r.top, c.at.top); y < std::min(r.bottom, c.at.bottom); ++y)
    for (int x = std::max(r.left, c.at.left); x < std::min(r.right, c.at.right); ++x) {
      DWORD p = c.At(x, y);
      int luminance = (int(p & 0xff) + int((p >> 8) & 0xff) * 2 + int((p >> 16) & 0xff)) / 4;
      if (luminance < 80) ++ink;
    }
  return ink;
}

// What a text looks like in a control's font: its width in pixels, and the
// characters the font has no glyph for.
struct Measured {
  int width;
  std::string missing;
};
Measured Measure(HWND control, const std::string& text) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
  wchar_t wide[256];
  int n = MultiByteToWideChar(932, 0, text.c_str(), int(text.size()), wide, 256);
  std::vector<WORD> glyphs(size_t(n) + 1);
  GetGlyphIndicesW(dc, wide, n, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  Measured m = {int(size.cx), ""};
  for (int i = 0; i < n; ++i)
    if (glyphs[size_t(i)] == 0xffff) {
      char bytes[4] = "";
      WideCharToMultiByte(932, 0, &wide[i], 1, bytes, sizeof bytes, nullptr, nullptr);
      m.missing += bytes;
    }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return m;
}

// Checks every text of a page's controls; returns how many were checked.
int CheckPageTexts(HWND page, const Capture& shot) {
  int checked = 0;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    std::string kind = ClassName(c);
    LONG style = GetWindowLongA(c, GWL_STYLE);
    RECT r;
    GetClientRect(c, &r);
    RECT onScreen;
    GetWindowRect(c, &onScreen);
    if (kind == "ComboBox") {
      // Every entry fits beside the arrow and has its glyphs.
      int room = r.right - GetSystemMetrics(SM_CXVSCROLL) - 4;
      for (int i = 0; i < int(SendMessageA(c, CB_GETCOUNT, 0, 0)); ++i) {
        char text[300] = "";
        SendMessageA(c, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
        Measured m = Measure(c, text);
        EXPECT_LE(m.width, room) << text;
        EXPECT_EQ(m.missing, "") << text;
      }
      continue;
    }
    if (kind != "Static" && kind != "Button") continue;
    if (kind == "Static" && (style & SS_TYPEMASK) == SS_OWNERDRAW) {
      // A picture: drawn, and not as a solid block.
      int ink = InkIn(shot, onScreen);
      EXPECT_GT(ink, r.right * r.bottom / 10) << "picture not drawn";
      EXPECT_LT(ink, r.right * r.bottom) << "picture drawn as a block";
      ++checked;
      continue;
    }
    char text[300] = "";
    GetWindowTextA(c, text, sizeof text);
    if (!*text) continue;
    Measured m = Measure(c, text);
    LONG type = style & BS_TYPEMASK;
    int room = r.right;
    RECT textArea = onScreen;
    if (kind == "Button" && type == BS_GROUPBOX) {
      room -= 16;
      textArea.bottom = textArea.top + 14;
    } else if (kind == "Button") {
      room -= GetSystemMetrics(SM_CXMENUCHECK) + 2;
    }
    SCOPED_TRACE(text);
    EXPECT_LE(m.width, room) << "cut off";
    EXPECT_EQ(m.missing, "") << "no glyph";
    EXPECT_GE(InkIn(shot, textArea), int(std::strlen(text))) << "not drawn";
    ++checked;
  }
  return checked;
}

TEST_F(SettingsSheetTest, EveryPageShowsEveryTextWhole) {
  // What a fresh installation shows.
  AfxGetApp()->SetProfileName(folder.File("tovix.ini").c_str());
  LoadSettings(nullptr);
  CopyToWorkingCopy();
  CreateDirectoryA(folder.File("skin").c_str(), nullptr);
  CreateDirectoryA(folder.File("skin\\default").c_str(), nullptr);
  TempFolder::Write(folder.File("skin\\default.bmp"), "BM");
  BuildFolderLibraries libraries;
  char folderForShots[MAX_PATH] = "";
  GetEnvironmentVariableA("TOVIX_SCREENSHOTS", folderForShots, sizeof folderForShots);
  CSettingsSheet sheet;
  std::vector<std::string> tabs;
  std::string caption;
  bool help = true;
  std::vector<int> checkedPerPage;
  std::vector<std::function<void()>> steps;
  for (int tab = 0; tab < 9; ++tab) {
    steps.push_back([&, tab] { ClickTab(sheet, tab); });
    steps.push_back([&, tab] {
      RedrawWindow(sheet.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      Capture shot = CaptureWindow(sheet.m_hWnd);
      SCOPED_TRACE(tab);
      checkedPerPage.push_back(CheckPageTexts(CurrentPage(sheet), shot));
      if (*folderForShots)
        SaveCapture(shot, std::string(folderForShots) + "\\page" + std::to_string(tab + 1) + ".bmp");
    });
  }
  steps.push_back([&] {
    char text[64] = "";
    GetWindowTextA(sheet.m_hWnd, text, sizeof text);
    caption = text;
    help = IsWindowVisible(GetDlgItem(sheet.m_hWnd, IDHELP));
    for (int i = 0; i < 9; ++i) {
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(TabControl(sheet), TCM_GETITEMA, WPARAM(i), LPARAM(&item));
      tabs.push_back(text);
    }
    PressEscape(sheet);
  });
  RunSheet(sheet, steps);
  EXPECT_EQ(caption, "Tovix　設定");
  EXPECT_FALSE(help);
  EXPECT_EQ(tabs, (std::vector<std::string>{"表示設定１", "表示設定２", "拡張設定１", "拡張設定２", "スキン設定",
                                            "メール設定", "ＤＬＬ情報", "ＣＰＵ情報", "Ｖｅｒｓｉｏｎ"}));
  // Pages whose texts were all checked: the counts say none was skipped.
  EXPECT_EQ(checkedPerPage, (std::vector<int>{9, 7, 8, 7, 3, 9, 0, 11, 5}));
}

}  // namespace
