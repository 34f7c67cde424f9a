// The plug-in's message boxes: the input errors and the one question raised by validation, and
// the error the invocation raises for a score without staff systems.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// The error style (MB_OK with MB_ICONHAND) and the question style (MB_YESNO, MB_ICONQUESTION).
constexpr UINT errorBoxStyle = MB_OK | MB_ICONHAND;
constexpr UINT questionBoxStyle = MB_YESNO | MB_ICONQUESTION;

// Shows a modal message box owned by `owner`; the button pressed, as MessageBoxA returns it.
int showMessageBox(HWND owner, const char* text, const char* caption, UINT style);

// "There are no staff systems in the current file." ("Orvane Lumbrel Error").
void reportNoStaffSystems(HWND owner);
// "There are no instruments selected." ("No instruments to process").
void reportNoInstruments(HWND owner);
// "Distance must be between -500 and 500 EVPUs." ("Invalid distance").
void reportDistanceOutOfRange(HWND owner);
// "The distance to move is zero." ("Invalid distance").
void reportZeroDistance(HWND owner);
// "Staff system range is invalid." ("Invalid range").
void reportInvalidRange(HWND owner);
// Asks whether to go on with the smart filter switched off ("Conflicting options"); 1 when the
// user answers Yes, else 0.
int32_t askSmartFilterConflict(HWND owner);
