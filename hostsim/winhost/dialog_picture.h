// A picture of the dialog as it is shown on the screen, saved as a PNG file.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

// Where `run --png` saves the first dialog shown; empty: no picture. Cleared once it is saved.
extern std::string dialogPicturePath;

// An image of 8-bit RGB pixels, rows top down.
struct WindowPicture {
    std::vector<uint8_t> rgb;
    uint32_t width = 0;
    uint32_t height = 0;
};

// What the screen shows of `window`, its frame included, once it has painted itself; no pixels
// when the window has no area.
WindowPicture captureWindow(HWND window);

// Writes `picture` as a PNG file. Complains on standard error when the file can't be written;
// writes nothing for a picture without pixels.
void writePicture(const WindowPicture& picture, const std::string& path);

// Saves what the screen shows of `window`, its frame included, as captureWindow and
// writePicture do.
void saveDialogPicture(HWND window, const std::string& path);

// The PNG file of an image of width x height pixels, 8-bit RGB, rows top down.
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height);
