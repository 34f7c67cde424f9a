// A picture of the dialog as it is shown on the screen, saved as a PNG file.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

// Where `run --png` saves the first dialog shown; empty: no picture. Cleared once it is saved.
extern std::string dialogPicturePath;

// Saves what the screen shows of `window`, its frame included. Complains on standard error when
// the file can't be written.
void saveDialogPicture(HWND window, const std::string& path);

// The PNG file of an image of width x height pixels, 8-bit RGB, rows top down.
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height);
