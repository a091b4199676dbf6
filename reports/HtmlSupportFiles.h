// The HTML work folder's support files and the resource helpers the pages
// are built from.
#pragma once

#include <windows.h>

#include <string>

#include "base/Resources.h"

// File names kept in the HTML work folder.
constexpr const char kDarkBlueGifFile[] = "dkblue.gif";
constexpr const char kTitleBackgroundGifFile[] = "title_bg.gif";
constexpr const char kFileIconBitmapFile[] = "file_icon.bmp";
constexpr const char kOutputPageFile[] = "output.htm";

// Copies the page's two GIF resources into the folder (default: the HTML work
// folder). True when both were written.
bool WriteSupportFiles();
bool WriteSupportFiles(const std::string& htmlFolder);
// Deletes the four files above; missing files are ignored.
void DeleteSupportFiles();
void DeleteSupportFiles(const std::string& htmlFolder);

// Writes the bytes of resource id of type to path (aside, then replacing).
// False when the resource is missing or the file cannot be written.
bool WriteResourceToFile(UINT id, const char* type, const std::string& path);
// Resource id of type "TEXT" / of the standard HTML type, as text up to its
// first zero byte; empty when missing.
std::string LoadTextResource(UINT id);
std::string LoadHtmlResource(UINT id);

// Writes the icon over the background as a 24-bit bottom-up bitmap file.
// Width or height 0 means the icon's own size. Any old file at path is
// deleted first; false (and no file) when there is no icon or no bitmap.
bool WriteIconBitmap(HICON icon, const std::string& path, COLORREF background, int width, int height);

// The 54 header bytes of such a file (file header and information header).
std::string BitmapFileHeaders(int width, int height);
// Bytes per pixel row of a 24-bit bitmap, padded to four bytes.
int BitmapRowSize(int width);
