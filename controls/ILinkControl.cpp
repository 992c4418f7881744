#include "controls/ILinkControl.h"

#include <cstring>

#include "core/BraxBase.h"
#include "graphics/IGraphics.h"

namespace {

template <size_t N>
void CopyWhole(char (&dst)[N], const char* src) {
  dst[0] = '\0';
  if (!src) return;
  const size_t len = std::strlen(src);
  if (len >= N) return;
  std::memcpy(dst, src, len + 1);
}

}  // namespace

ILinkControl::ILinkControl(BraxBase* plug, const IRect& rect, const char* url,
                           const char* backupURL, const char* caption)
    : IControl(plug, rect, -1, IBlend(IBlend::kBlendDefault, 1.0f)) {
  CopyWhole(mURL, url);
  CopyWhole(mBackupURL, backupURL);
  CopyWhole(mCaption, caption);
}

ILinkControl::~ILinkControl() = default;

void ILinkControl::OnMouseDown(int, int, const IMouseState&) {
  IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr;
  if (!graphics) return;
  bool opened = false;
  if (mURL[0]) opened = graphics->OpenURL(mURL, mCaption, nullptr, nullptr);
  if (!opened && mBackupURL[0]) graphics->OpenURL(mBackupURL, mCaption, nullptr, nullptr);
}

bool ILinkControl::Draw(IGraphics*) {
  return true;
}
