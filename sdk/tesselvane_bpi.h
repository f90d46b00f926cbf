/*
 * SPDX-License-Identifier: MIT
 *
 * Tesselvane extension plug-in interface (*.bpi).
 *
 * An extension plug-in processes every picture before it becomes the wallpaper (it may draw
 * into it or replace it), and may offer a settings dialog of its own. It is an ELF shared
 * object with the extension .bpi in the program folder, exporting the functions below with
 * C linkage and default visibility. Text is UTF-8 and zero-terminated.
 *
 * Pictures travel as packed DIBs: one malloc'd block holding a 40-byte SpiBitmapInfoHeader
 * (see tesselvane_spi.h), the colour table (biClrUsed entries, or 2^biBitCount when biClrUsed
 * is 0 and biBitCount is 8 or less), then the pixel rows (bottom-up when biHeight > 0, each
 * row padded to 4 bytes). The host hands 24-bit bottom-up DIBs.
 */
#ifndef TESSELVANE_BPI_H
#define TESSELVANE_BPI_H

#include "tesselvane_spi.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Writes text number `infono` into `buf`, which holds 256 bytes: at most 255 characters and
 * a terminating zero. Results are ignored.
 *   0  the type text; it must begin with "B"
 *   1  the name shown in the options dialog, e.g. "Calendar"
 *   2  the version times 100 as decimal text, e.g. "105" for version 1.05
 *   3  the order number as decimal text; plug-ins run in the order of these numbers
 *      compared as text right-aligned in two places (" 5" before "12", "100" before "20")
 */
TESSELVANE_SPI_EXPORT int32_t GetPlugInInfo(int32_t infono, char* buf);

/*
 * Lets the user change the plug-in's settings; may show a dialog (the host's Qt application
 * is running on the calling thread) and returns when it closes. `window` is the X11 window of
 * the program's main window, 0 when there is none. `key` names where the plug-in may keep its
 * settings (see TesselvaneReadSetting). `dib` is the picture most recently chosen for the
 * wallpaper, as read, or NULL; it stays the host's and is valid only during the call.
 * Optional: a plug-in without settings need not export it.
 */
TESSELVANE_SPI_EXPORT int32_t SettingPlugIn(uintptr_t window, const char* key, void* dib);

/*
 * Processes the wallpaper picture `*dib`. Either change its pixels in place, or malloc a new
 * packed DIB (8, 24 or 32 bits) and store it in `*dib`: the host then owns the new block and
 * frees the old one; never free the host's block yourself. Results are ignored.
 */
TESSELVANE_SPI_EXPORT int32_t ExecutePlugIn(uintptr_t window, const char* key, void** dib);

/*
 * Settings, offered by the host program. `key` is the text the host passed (optionally with
 * "\Subkey" parts appended), `name` a value name. Declare them weak and test them for NULL,
 * so the plug-in still loads in a host that lacks them:
 *     #pragma weak TesselvaneReadSetting
 * TesselvaneReadSetting copies the value into `buf` (zero-terminated, cut to `buflen`) and
 * returns its length in bytes, or -1 when it is absent or not text.
 * TesselvaneWriteSetting stores it durably; returns 0, or -1 when it could not.
 */
int32_t TesselvaneReadSetting(const char* key, const char* name, char* buf, int32_t buflen);
int32_t TesselvaneWriteSetting(const char* key, const char* name, const char* value);

#ifdef __cplusplus
}
#endif

#endif /* TESSELVANE_BPI_H */
