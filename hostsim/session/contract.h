// The strict host: what the host contract fixes about each call the plug-in makes, checked as
// the call comes. Each breach is added to the active session's `violations`, one text naming the
// call and what was wrong. Both hosts check the host services; the headless host also checks the
// window messages, which real Win32 answers by itself.
#pragma once

#include "resource/resource_script.h"
#include "session/host_session.h"

#include <cstdint>
#include <string>

// Adds a breach to the active session's violations.
void reportViolation(const std::string& text);

// The size a load of `tag` asks for; 0 for a tag whose size comes from elsewhere (a text block)
// or that the plug-in never reads.
uint32_t recordSizeOf(uint32_t tag);

// checkLoadArguments for every load but the common one.
void checkOtherLoadArguments(uint32_t tag, RecordId asked, bool probe, uint32_t size);

// A load or probe, before the host answers: a load asks the size of its record (staff system 20,
// staff 66, text 48, staff list entry 24, preferences 61; a text block the size its probe
// reported), of a record the plug-in reads. Inline for the common load, which passes at once.
inline void checkLoadArguments(uint32_t tag, RecordId asked, bool probe, uint32_t size) {
    uint32_t expected = recordSizeOf(tag);
    if (!probe && expected != 0 && size == expected)
        return;
    checkOtherLoadArguments(tag, asked, probe, size);
}

// noteLoadAnswer for a probe, and for the first load of its tag.
void noteOtherLoadAnswer(uint32_t tag, RecordId asked, RecordId left, bool probe,
                         uint32_t sizeAsked, uint32_t sizeLeft, int32_t answer);

// The host's answer to a load or probe, which later saves and text-block loads are held to. The
// fields come one by one, as the call has them at hand. Inline for a load of a tag loaded before:
// a handful of tags, so a short list beats a map on the host's busiest call.
inline void noteLoadAnswer(uint32_t tag, RecordId asked, RecordId left, bool probe,
                           uint32_t sizeAsked, uint32_t sizeLeft, int32_t answer) {
    if (activeHost == nullptr)
        return;
    if (!probe)
        for (LoadCall& kept : activeHost->contract.lastLoads)
            if (kept.tag == tag) {
                kept.asked = asked;
                kept.left = left;
                kept.sizeAsked = sizeAsked;
                kept.sizeLeft = sizeLeft;
                kept.answer = answer;
                return;
            }
    noteOtherLoadAnswer(tag, asked, left, probe, sizeAsked, sizeLeft, answer);
}

// A save: of a staff list entry, after a load of one that was found, under the key that load
// left, with the size it left (no more than it asked for); never after the layout update.
void checkSaveArguments(uint32_t tag, RecordId id, uint32_t size);
// FX_UpdateLayout gets 0 and 0.
void checkLayoutUpdate(int32_t first, int32_t second);
// FX_InstToSlot gets staff list 0; FX_ParseCaretCommand gets 0 as its third argument.
void checkInstToSlot(int32_t staffList);
void checkParseCaretCommand(int32_t zero);
// FX_Dialog gets resource 20128, the window the invocation received (`hostWindow`), 1 and 0.
void checkDialogStart(int32_t resource, const void* owner, const void* hostWindow, int32_t one,
                      int32_t zero);

// How a dialog service found the window it was given.
enum class DialogWindow {
    open,  // the open dialog
    ended, // the open dialog, after FX_EndDialog
    other  // no open dialog: another window, null, or a dialog that has gone
};
// A service that names a dialog names the open one, never after FX_EndDialog.
void checkDialogWindow(HostService service, DialogWindow window);
// A service that names a control names one the dialog has.
void checkControlFound(HostService service, int32_t item, bool found);
// FX_GetDlgItemVal and FX_SetDlgItemVal: the kind fits the control (0 a combo box, 1 a check
// box, 2 a radio button, 3 an edit field).
void checkItemKind(HostService service, int32_t item, ControlKind control, int32_t kind);
// FX_SetDlgItemVal writes 0 or 1 into a check box or radio button (kinds 1 and 2).
void checkItemValue(int32_t item, int32_t kind, int32_t value);
// FX_EnableDlgItem gets 0 or 1.
void checkEnableFlag(int32_t item, int32_t enable);
// FX_GetDlgItemUser and FX_SetDlgItemUser: a unit 1..6, on an edit field (`control`, null when
// the dialog has no control with the ID).
void checkUnitItem(HostService service, int32_t item, const ControlKind* control, int32_t unit);
// A window message sent by the plug-in goes to a control whose class takes it: list-box messages
// to a list box, combo-box messages to a combo box, edit messages to an edit field, up-down
// messages to an up-down control; and a parameter that the message does not use is 0.
// `found` is false when no control has the handle or ID.
void checkWindowMessage(const char* call, uint32_t message, uintptr_t wParam, intptr_t lParam,
                        bool found, ControlKind control);
