// A menu plug-in for the tests that gives as little as it may: no caption, no command, a shortcut
// of an unknown key and a picture too large to take.
#include "ZRVPlugInApi.h"

namespace {

const uint32_t c_Pixel = 0xFFFFFFFFu;
const TZRVPlugInBitmap c_TooLarge = {100000, 100000, &c_Pixel};

} // namespace

extern "C" ZRV_PLUGIN_EXPORT void InitPlugIn(TZRVPlugInOptions* Options) {
    Options->ShortCut = ZRV_SHORTCUT_CTRL | 0x01u;
    Options->Bitmap = &c_TooLarge;
}
