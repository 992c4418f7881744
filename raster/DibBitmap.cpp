#include "raster/DibBitmap.h"

DibBitmap::DibBitmap(std::int32_t width, std::int32_t height) : mDC(CreateCompatibleDC(nullptr)) {
  resize(width, height);
}

DibBitmap::~DibBitmap() {
  if (mPrevious) SelectObject(mDC, mPrevious);
  if (mSection) DeleteObject(mSection);
  if (mDC) DeleteDC(mDC);
}

bool DibBitmap::resize(std::int32_t width, std::int32_t height) {
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  // A zero side keeps the current section selected; operations see width or height 0 and
  // clip everything away.
  if (width == 0 || height == 0) return false;

  if (mPrevious) {
    SelectObject(mDC, mPrevious);
    mPrevious = nullptr;
  }
  if (mSection) {
    DeleteObject(mSection);
    mSection = nullptr;
  }
  mBits = nullptr;
  // A negative side has no section (and -INT32_MIN would not fit the header).
  if (width < 0 || height < 0) return true;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  // A negative height asks for a top-down section: the first row in memory is the top row.
  info.bmiHeader.biHeight = isBottomUp() ? height : -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  mSection = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!mSection) return true;
  mBits = static_cast<Pixel32*>(bits);
  mPrevious = SelectObject(mDC, mSection);
  return true;
}
