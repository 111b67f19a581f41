#include "framework/bitmap_file.h"

#include <vector>

namespace {

// Skin pictures are a few kilobytes; anything this large is no skin.
const DWORD kMaxBitmapFileBytes = 64u * 1024 * 1024;

}  // namespace

HBITMAP LoadBitmapFile(const char* path) {
  // Others may read the file meanwhile, but nobody may write, shorten or
  // replace it between the check and the load.
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  HBITMAP bitmap = nullptr;
  DWORD high = 0;
  DWORD size = GetFileType(file) == FILE_TYPE_DISK ? GetFileSize(file, &high) : 0;
  if (size != INVALID_FILE_SIZE && high == 0 && size > 0 && size <= kMaxBitmapFileBytes) {
    std::vector<unsigned char> bytes(size);
    DWORD read = 0;
    if (ReadFile(file, bytes.data(), size, &read, nullptr) && read == size &&
        BitmapFileIsSound(bytes.data(), bytes.size()))
      bitmap = static_cast<HBITMAP>(
          LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  }
  CloseHandle(file);
  return bitmap;
}

void DrawBitmapFile(HDC dc, int x, int y, int width, int height, const char* path, int sourceX,
                    int sourceY) {
  HBITMAP bitmap = LoadBitmapFile(path);
  if (!bitmap) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  if (width < 0 || height < 0) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
  }
  BitBlt(dc, x, y, width, height, memory, sourceX, sourceY, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}
