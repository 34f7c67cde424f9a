// A picture of the dialog as it is shown on the screen, saved as a PNG file.
#pragma once

#include "platform/platform.h"
#include "session/platform_state.h"

#include <cstdint>
#include <string>
#include <vector>

// An image of 8-bit RGB pixels, rows top down.
struct WindowPicture {
    std::vector<uint8_t> rgb;
    uint32_t width = 0;
    uint32_t height = 0;
};

// `window` as it shows itself, its frame and children included, painted afresh; no pixels
// when the window has no area.
WindowPicture captureWindow(HWND window);

// The PNG file of `picture`, to be written at `path` with the command's other outputs, into
// `file`. False, with the reason in `failure`, for a picture without pixels.
bool pictureFile(const WindowPicture& picture, const std::string& path, PlatformFile& file,
                 std::string& failure);

// The PNG file of an image of width x height pixels, 8-bit RGB, rows top down.
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height);
