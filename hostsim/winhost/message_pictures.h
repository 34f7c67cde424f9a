// Pictures of the message boxes the plug-in shows, saved as PNG files as they appear.
#pragma once

#include "platform/platform.h"
#include "session/platform_state.h"

// When the desktop has a pattern for the message boxes' pictures, the message box `box` as it
// shows itself, for the file of the next number: added to the desktop's pictures, or, for a box
// that has no area on the screen, the reason in its picture failure.
void takeMessageBoxPicture(HWND box, Desktop& desktop);
