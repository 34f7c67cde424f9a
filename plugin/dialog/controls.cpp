#include "dialog/controls.h"

#include "dialog/dialog_ids.h"
#include "dialog/values.h"
#include "host/services.h"

// A signed 16-bit argument as a message parameter, widened with its sign (-1 stays -1).
static WPARAM signedWParam(int16_t value) {
    return static_cast<WPARAM>(static_cast<intptr_t>(value));
}

static LPARAM signedLParam(int16_t value) {
    return static_cast<LPARAM>(value);
}

static LRESULT sendItem(HWND dialog, int16_t item, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(dialog, item, message, wParam, lParam);
}

void setSpinRange(HWND dialog, int16_t item, int16_t minimum, int16_t maximum) {
    sendItem(dialog, item, UDM_SETRANGE, 0, MAKELPARAM(maximum, minimum));
}

void selectAllText(HWND dialog, int16_t item) {
    SendMessageA(GetDlgItem(dialog, item), EM_SETSEL, 0, -1);
}

void limitText(HWND dialog, int16_t item, int16_t maxChars) {
    sendItem(dialog, item, EM_LIMITTEXT, signedWParam(maxChars), 0);
}

int32_t getListCurrent(HWND dialog, int16_t item) {
    return static_cast<int32_t>(sendItem(dialog, item, LB_GETCURSEL, 0, 0));
}

int32_t addListString(HWND dialog, int16_t item, const char* text) {
    return static_cast<int32_t>(
        sendItem(dialog, item, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int32_t addComboString(HWND dialog, int16_t item, const char* text) {
    return static_cast<int32_t>(
        sendItem(dialog, item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

void setListSelected(HWND dialog, int16_t item, int16_t index, int16_t select) {
    sendItem(dialog, item, LB_SETSEL, signedWParam(select), signedLParam(index));
}

void selectListRange(HWND dialog, int16_t item, int16_t first, int16_t last) {
    sendItem(dialog, item, LB_SELITEMRANGEEX, signedWParam(first), signedLParam(last));
}

void deselectListAll(HWND dialog, int16_t item) {
    sendItem(dialog, item, LB_SELITEMRANGEEX, 16000, 0);
}

int32_t getListSelCount(HWND dialog, int16_t item) {
    return static_cast<int32_t>(sendItem(dialog, item, LB_GETSELCOUNT, 0, 0));
}

int32_t getListSelItems(HWND dialog, int16_t item, int16_t maxCount, int32_t* buffer) {
    return static_cast<int32_t>(sendItem(dialog, item, LB_GETSELITEMS, signedWParam(maxCount),
                                         reinterpret_cast<LPARAM>(buffer)));
}

void setUnitValue(HWND dialog, int16_t item, int16_t unit, double value) {
    FX_SetDlgItemUser(dialog, item, unit, value, hostInterfaceVersion);
}

void stepUnitValue(HWND dialog, int16_t item, double delta, double minimum, double maximum,
                   int16_t unit) {
    double value = 0; // stays 0 when the host leaves it unwritten
    FX_GetDlgItemUser(dialog, item, unit, &value, hostInterfaceVersion);
    value += delta;
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
    FX_SetDlgItemUser(dialog, item, unit, value, hostInterfaceVersion);
}

int16_t currentScope(HWND dialog) {
    int32_t position = FX_GetDlgItemVal(dialog, IDC_SCOPE, itemKindComboBox, hostInterfaceVersion);
    int32_t count = dialogValues.scopeChoiceCount;
    if (count > maxScopeChoices)
        count = maxScopeChoices;
    if (position < 1 || position > count)
        return 0;
    return dialogValues.scopeChoices[position - 1];
}
