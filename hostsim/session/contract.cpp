#include "session/contract.h"

#include "store/score_layout.h"

#include <cstdio>

uint32_t recordSizeOf(uint32_t tag) {
    switch (tag) {
    case tagStaffSystem:
        return systemRecordSize;
    case tagStaffListEntry:
        return listEntryRecordSize;
    case tagStaff:
        return staffRecordSize;
    case tagTextRecord:
        return textRecordSize;
    case tagPreferences:
        return preferencesRecordSize;
    default:
        return 0;
    }
}

namespace {

std::string keyText(const RecordId& id) {
    return "\"" + tagString(id.tag) + "\" (" + std::to_string(id.number) + ", " +
           std::to_string(id.increment) + ")";
}

bool sameKey(const RecordId& a, const RecordId& b) {
    return a.number == b.number && a.increment == b.increment;
}

const char* kindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::label:
        return "a label";
    case ControlKind::pushButton:
        return "a push button";
    case ControlKind::groupBox:
        return "a group box";
    case ControlKind::checkBox:
        return "a check box";
    case ControlKind::radioButton:
        return "a radio button";
    case ControlKind::edit:
        return "an edit field";
    case ControlKind::listBox:
        return "a list box";
    case ControlKind::comboBox:
        return "a combo box";
    case ControlKind::upDown:
        return "an up-down control";
    }
    return "a control";
}

// The control kind that item kind `kind` of FX_GetDlgItemVal/FX_SetDlgItemVal is for.
bool kindOfItem(int32_t kind, ControlKind& control) {
    switch (kind) {
    case 0:
        control = ControlKind::comboBox;
        return true;
    case 1:
        control = ControlKind::checkBox;
        return true;
    case 2:
        control = ControlKind::radioButton;
        return true;
    case 3:
        control = ControlKind::edit;
        return true;
    default:
        return false;
    }
}

// The control kind that takes window message `message`; false for a message of no control class
// (the dialog's own, say).
bool kindOfMessage(uint32_t message, ControlKind& control) {
    if (message >= 0x00B0 && message <= 0x00DA) { // EM_
        control = ControlKind::edit;
        return true;
    }
    if (message >= 0x0140 && message <= 0x0165) { // CB_
        control = ControlKind::comboBox;
        return true;
    }
    if (message >= 0x0180 && message <= 0x01B0) { // LB_
        control = ControlKind::listBox;
        return true;
    }
    if (message >= 0x0465 && message <= 0x0472) { // UDM_
        control = ControlKind::upDown;
        return true;
    }
    return false;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

} // namespace

void reportViolation(const std::string& text) {
    if (activeHost != nullptr)
        activeHost->violations.push_back(text);
}

void checkOtherLoadArguments(uint32_t tag, RecordId asked, bool probe, uint32_t size) {
    // the call's text is made only for a breach: loads are the host's busiest call
    auto call = [&] { return "FX_LoadEData " + keyText(asked); };
    uint32_t expected = recordSizeOf(tag);
    if (expected == 0 && tag != tagTextBlock) {
        reportViolation(call() + ": a record the plug-in does not read");
        return;
    }
    if (probe)
        return;
    if (tag == tagTextBlock) {
        const auto& probed = activeHost->contract.textBlockSizes;
        auto found = probed.find(asked.number);
        if (found == probed.end())
            reportViolation(call() + ": a text block loaded without a probe of its size");
        else if (size != found->second)
            reportViolation(call() + ": asks for " + std::to_string(size) +
                            " bytes, its probe reported " + std::to_string(found->second));
        return;
    }
    if (size != expected)
        reportViolation(call() + ": asks for " + std::to_string(size) + " bytes, the record has " +
                        std::to_string(expected));
}

// The last load with a buffer of `tag`; null when there was none.
static const LoadCall* lastLoadOf(const ContractMemory& memory, uint32_t tag) {
    for (const LoadCall& load : memory.lastLoads)
        if (load.tag == tag)
            return &load;
    return nullptr;
}

void noteOtherLoadAnswer(uint32_t tag, RecordId asked, RecordId left, bool probe,
                         uint32_t sizeAsked, uint32_t sizeLeft, int32_t answer) {
    ContractMemory& memory = activeHost->contract;
    if (probe) {
        if (tag == tagTextBlock && answer != 0)
            memory.textBlockSizes[asked.number] = sizeLeft;
        return;
    }
    LoadCall kept;
    kept.tag = tag;
    kept.asked = asked;
    kept.left = left;
    kept.probe = probe;
    kept.sizeAsked = sizeAsked;
    kept.sizeLeft = sizeLeft;
    kept.answer = answer;
    memory.lastLoads.push_back(kept);
}

void checkSaveArguments(uint32_t tag, RecordId id, uint32_t size) {
    if (activeHost == nullptr)
        return;
    auto call = [&] { return "FX_SaveEData " + keyText(id); };
    ContractMemory& memory = activeHost->contract;
    if (tag != tagStaffListEntry)
        reportViolation(call() + ": only staff list entries are written");
    if (memory.layoutUpdated)
        reportViolation(call() + ": after FX_UpdateLayout, which comes after the last save");
    const LoadCall* found = lastLoadOf(memory, tag);
    if (found == nullptr || found->answer == 0) {
        reportViolation(call() + ": no record of its tag was loaded before it");
        return;
    }
    const LoadCall& load = *found;
    if (!sameKey(id, load.left))
        reportViolation(call() + ": the last load of its tag left the key " + keyText(load.left));
    uint32_t loaded = load.sizeLeft < load.sizeAsked ? load.sizeLeft : load.sizeAsked;
    if (size != loaded)
        reportViolation(call() + ": passes " + std::to_string(size) + " bytes, the load left " +
                        std::to_string(loaded));
}

void checkLayoutUpdate(int32_t first, int32_t second) {
    if (first != 0 || second != 0)
        reportViolation("FX_UpdateLayout: gets " + std::to_string(first) + " and " +
                        std::to_string(second) + ", not 0 and 0");
    if (activeHost != nullptr)
        activeHost->contract.layoutUpdated = true;
}

void checkInstToSlot(int32_t staffList) {
    if (staffList != 0)
        reportViolation("FX_InstToSlot: staff list " + std::to_string(staffList) + ", not 0");
}

void checkParseCaretCommand(int32_t zero) {
    if (zero != 0)
        reportViolation("FX_ParseCaretCommand: third argument " + std::to_string(zero) + ", not 0");
}

void checkDialogStart(int32_t resource, const void* owner, const void* hostWindow, int32_t one,
                      int32_t zero) {
    if (resource != 20128)
        reportViolation("FX_Dialog: resource " + std::to_string(resource) + ", not 20128");
    if (owner != hostWindow)
        reportViolation("FX_Dialog: an owner other than the window the invocation received");
    if (one != 1 || zero != 0)
        reportViolation("FX_Dialog: fourth and fifth arguments " + std::to_string(one) + " and " +
                        std::to_string(zero) + ", not 1 and 0");
}

void checkDialogWindow(HostService service, DialogWindow window) {
    if (window == DialogWindow::ended)
        reportViolation(std::string(hostServiceName(service)) +
                        ": names the dialog after FX_EndDialog");
    else if (window == DialogWindow::other)
        reportViolation(std::string(hostServiceName(service)) + ": names no open dialog");
}

void checkControlFound(HostService service, int32_t item, bool found) {
    if (!found)
        reportViolation(std::string(hostServiceName(service)) + " " + std::to_string(item) +
                        ": the dialog has no control with this ID");
}

void checkItemKind(HostService service, int32_t item, ControlKind control, int32_t kind) {
    std::string call = std::string(hostServiceName(service)) + " " + std::to_string(item);
    ControlKind wanted;
    if (!kindOfItem(kind, wanted))
        reportViolation(call + ": kind " + std::to_string(kind) + " is none of 0 to 3");
    else if (wanted != control)
        reportViolation(call + ": kind " + std::to_string(kind) + " is for " + kindName(wanted) +
                        ", the control is " + kindName(control));
}

void checkItemValue(int32_t item, int32_t kind, int32_t value) {
    ControlKind control;
    bool button = kindOfItem(kind, control) &&
                  (control == ControlKind::checkBox || control == ControlKind::radioButton);
    if (button && value != 0 && value != 1)
        reportViolation("FX_SetDlgItemVal " + std::to_string(item) + ": writes " +
                        std::to_string(value) + " into a check box or radio button, not 0 or 1");
}

void checkEnableFlag(int32_t item, int32_t enable) {
    if (enable != 0 && enable != 1)
        reportViolation("FX_EnableDlgItem " + std::to_string(item) + ": gets " +
                        std::to_string(enable) + ", not 0 or 1");
}

void checkUnitItem(HostService service, int32_t item, const ControlKind* control, int32_t unit) {
    std::string call = std::string(hostServiceName(service)) + " " + std::to_string(item);
    if (unit < 1 || unit > 6)
        reportViolation(call + ": unit " + std::to_string(unit) + " is none of 1 to 6");
    if (control != nullptr && *control != ControlKind::edit)
        reportViolation(call + ": the control is " + std::string(kindName(*control)) +
                        ", not an edit field");
}

void checkWindowMessage(const char* call, uint32_t message, uintptr_t wParam, intptr_t lParam,
                        bool found, ControlKind control) {
    ControlKind wanted;
    if (!kindOfMessage(message, wanted))
        return;
    std::string text = std::string(call) + " " + hex(message);
    if (!found)
        reportViolation(text + ": sent to no control");
    else if (wanted != control)
        reportViolation(text + ": a message for " + std::string(kindName(wanted)) + ", sent to " +
                        kindName(control));
    // the parameters these messages do not use, which are passed as 0
    const struct {
        uint32_t message;
        bool wParamUnused;
        bool lParamUnused;
    } unused[] = {
        {0x0143, true, false}, // CB_ADDSTRING
        {0x0180, true, false}, // LB_ADDSTRING
        {0x0188, true, true},  // LB_GETCURSEL
        {0x0190, true, true},  // LB_GETSELCOUNT
        {0x00C5, false, true}, // EM_LIMITTEXT
        {0x0465, true, false}, // UDM_SETRANGE
    };
    for (const auto& u : unused)
        if (u.message == message &&
            ((u.wParamUnused && wParam != 0) || (u.lParamUnused && lParam != 0)))
            reportViolation(text + ": a parameter the message does not use is not 0");
}
