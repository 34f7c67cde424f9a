#include "dialog/messages.h"

#include "dialog/validation.h"

int showMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    return MessageBoxA(owner, text, caption, style);
}

void reportNoStaffSystems(HWND owner) {
    showMessageBox(owner, "There are no staff systems in the current file.", "Orvane Lumbrel Error",
                   errorBoxStyle);
}

void reportNoInstruments(HWND owner) {
    showMessageBox(owner, "There are no instruments selected.", "No instruments to process",
                   errorBoxStyle);
}

void reportDistanceOutOfRange(HWND owner) {
    char text[100];
    wsprintfA(text, "Distance must be between %d and %d EVPUs.", smallestPushDistance,
              largestPushDistance);
    showMessageBox(owner, text, "Invalid distance", errorBoxStyle);
}

void reportZeroDistance(HWND owner) {
    showMessageBox(owner, "The distance to move is zero.", "Invalid distance", errorBoxStyle);
}

void reportInvalidRange(HWND owner) {
    showMessageBox(owner, "Staff system range is invalid.", "Invalid range", errorBoxStyle);
}

int32_t askSmartFilterConflict(HWND owner) {
    int answer = showMessageBox(owner,
                                "All instruments are selected as well as the Smart Filter "
                                "option. The Smart Filter option will be disabled. Continue?",
                                "Conflicting options", questionBoxStyle);
    return answer == IDYES ? 1 : 0;
}
