// Pictures of the message boxes the plug-in shows, saved as PNG files as they appear.
#pragma once

#include "platform/platform.h"

#include <string>

// Where `run --message-png` saves each message box: "%d" in the pattern becomes the box's number
// in the scenario, from 1. Empty: no pictures.
extern std::string messagePicturePattern;

// Saves what the screen shows of the message box `box` under the next number, when a pattern is
// set. Complains on standard error when the file can't be written.
void saveMessageBoxPicture(HWND box);
