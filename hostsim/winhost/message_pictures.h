// Pictures of the message boxes the plug-in shows, saved as PNG files as they appear.
#pragma once

#include "platform/host_platform.h"
#include "platform/platform.h"

#include <string>
#include <vector>

// Where `run --message-png` saves each message box: "%d" in the pattern becomes the box's number
// in the scenario, from 1. Empty: no pictures.
extern std::string messagePicturePattern;

// The message box `box` as it shows itself, for the file of the next number, when a
// pattern is set: added to `files`, or, for a box that has no area on the screen, the reason in
// `failure`.
void takeMessageBoxPicture(HWND box, std::vector<PlatformFile>& files, std::string& failure);
