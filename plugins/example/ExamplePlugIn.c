/*
 * An example menu plug-in for the workstation's task bar: it adds the command "Exemple de plug-in"
 * (Ctrl+F12, with a small picture). Picking it only counts and prints a line; a real plug-in would
 * start its program or open its page there. Build it as a shared library named "<name>.pi" and
 * place it in the "Plugins" folder of the workstation's data folder.
 */
#include "ZRVPlugInApi.h"

#include <stdio.h>
#include <uchar.h>

enum { c_Side = 16 };

static const char16_t c_Caption[] = u"Exemple de plug-in";
static uint32_t fPixels[c_Side * c_Side];
static TZRVPlugInBitmap fBitmap = {c_Side, c_Side, fPixels};
static int fClicks = 0;

static void Click(void) {
    ++fClicks;
    fprintf(stderr, "zrv2 example plug-in: picked (%d)\n", fClicks);
}

/* A lime square in a black frame, the colours of the task bar. */
static void DrawBitmap(void) {
    for (int y = 0; y < c_Side; ++y)
        for (int x = 0; x < c_Side; ++x) {
            const int frame = x == 0 || y == 0 || x == c_Side - 1 || y == c_Side - 1;
            fPixels[y * c_Side + x] = frame ? 0xFF000000u : 0xFF00FF00u;
        }
}

ZRV_PLUGIN_EXPORT void InitPlugIn(TZRVPlugInOptions* Options) {
    DrawBitmap();
    Options->Caption = c_Caption;
    Options->OnClick = Click;
    Options->ShortCut = (uint16_t)(ZRV_SHORTCUT_CTRL | (ZRV_KEY_F1 + 11u));
    Options->Bitmap = &fBitmap;
}

/* How many times the command was picked since the library was loaded. */
ZRV_PLUGIN_EXPORT int ExamplePlugInClicks(void) {
    return fClicks;
}
