/*
 * The binary interface of the zrv2 plug-ins, in plain C so that a plug-in can be written in any
 * language that builds a shared library with C calling conventions.
 *
 * Two kinds of plug-in:
 *
 * - A menu plug-in adds one command to the workstation's task-bar menu. It is a shared library
 *   whose file name ends with ".pi", placed in the "Plugins" folder of the workstation's data
 *   folder, and exporting
 *       void InitPlugIn(TZRVPlugInOptions* Options);
 *   The workstation calls it once, right after loading the library, with a record it has zeroed;
 *   the plug-in fills it in. Everything the record points to belongs to the plug-in and must stay
 *   valid until the library is unloaded (static data is the simple way). OnClick is called on the
 *   workstation's user-interface thread each time the customer picks the command; it must return
 *   quickly (start a program or a thread for long work).
 *
 * - A default-client-configuration plug-in hands the server host an interface object. It is a
 *   shared library exporting
 *       void CreatePlugIn(IZRVDefClientCfgPlugIn** PlugIn);
 *   which stores a new object there holding one reference. The host calls Release once when it
 *   lets the object go, before it unloads the library.
 *
 * Texts are zero-terminated UTF-16 strings (native byte order).
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZRV_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define ZRV_PLUGIN_EXPORT
#endif

/* ---- Menu plug-ins --------------------------------------------------------------------------- */

/* Called with no arguments when the customer picks the command. */
typedef void (*TZRVPlugInClick)(void);

/* A picture shown beside the menu item: Width x Height pixels, row by row from the top, each a
   32-bit 0xAARRGGBB value (not premultiplied). At most 256 x 256 pixels. */
typedef struct TZRVPlugInBitmap {
    int32_t Width;
    int32_t Height;
    const uint32_t* Pixels;
} TZRVPlugInBitmap;

/* Menu shortcut: a key code in the low byte ('A' ... 'Z', '0' ... '9', or ZRV_KEY_F1 + n for the
   function keys F1 ... F24) combined with the modifier bits below; 0 for none. */
#define ZRV_SHORTCUT_SHIFT 0x2000u
#define ZRV_SHORTCUT_CTRL 0x4000u
#define ZRV_SHORTCUT_ALT 0x8000u
#define ZRV_KEY_F1 0x70u

typedef struct TZRVPlugInOptions {
    /* The menu text; required. */
    const uint16_t* Caption;
    /* May be null: the command then does nothing. */
    TZRVPlugInClick OnClick;
    uint16_t ShortCut;
    /* May be null: no picture. */
    const TZRVPlugInBitmap* Bitmap;
} TZRVPlugInOptions;

typedef void (*TZRVInitPlugInProc)(TZRVPlugInOptions* Options);

/* ---- Default-client-configuration plug-ins --------------------------------------------------- */

typedef struct IZRVDefClientCfgPlugIn IZRVDefClientCfgPlugIn;

typedef struct IZRVDefClientCfgPlugInVtbl {
    /* Reference counting: each returns the count after the change. */
    uint32_t (*AddRef)(IZRVDefClientCfgPlugIn* Self);
    uint32_t (*Release)(IZRVDefClientCfgPlugIn* Self);
    /* The version of this interface the plug-in implements: ZRV_DEFCLIENTCFG_VERSION. */
    uint32_t (*GetVersion)(IZRVDefClientCfgPlugIn* Self);
    /* The plug-in's name as the host shows it. */
    const uint16_t* (*GetCaption)(IZRVDefClientCfgPlugIn* Self);
    /* The configuration a new workstation gets: the lines "Name=Value" of a client configuration
       record (keys "ClC_..."), each followed by CR LF. Valid until the next call on Self. */
    const uint16_t* (*GetDefaultConfig)(IZRVDefClientCfgPlugIn* Self);
    /* Hands the plug-in a configuration record in the same form to keep as the new default;
       non-zero when it was taken. */
    int32_t (*SetDefaultConfig)(IZRVDefClientCfgPlugIn* Self, const uint16_t* Config);
} IZRVDefClientCfgPlugInVtbl;

struct IZRVDefClientCfgPlugIn {
    const IZRVDefClientCfgPlugInVtbl* Vtbl;
};

#define ZRV_DEFCLIENTCFG_VERSION 1u

typedef void (*TZRVCreatePlugInProc)(IZRVDefClientCfgPlugIn** PlugIn);

#ifdef __cplusplus
}
#endif
