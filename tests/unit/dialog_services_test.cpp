// The host's dialog services: the modal dialog's life, and the values the plug-in reads and
// writes through them.
#include "dialog/dialog_ids.h"
#include "headless/desktop.h"
#include "session/host_session.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const uint32_t version = hostInterfaceVersion;

std::vector<std::string> steps;

// Ends the dialog on Cancel, and tries to open a second dialog while the first is open.
int32_t cancellingProcedure(HWND dialog, uint32_t message, WPARAM wParam, LPARAM, int32_t) {
    if (message == WM_INITDIALOG) {
        steps.push_back("init");
        FX_SetDlgString(dialog, IDC_DISTANCE, "24", version);
        steps.push_back("nested " + std::to_string(FX_Dialog(20128, cancellingProcedure, dialog, 1,
                                                             0, version)));
        return 1;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        steps.push_back("cancel");
        FX_EndDialog(dialog, version);
    }
    return 0;
}

int32_t idleProcedure(HWND, uint32_t, WPARAM, LPARAM, int32_t) {
    return 0;
}

class DialogServicesTest : public ::testing::Test {
  protected:
    HostSession session;
    HeadlessDialog dialog;
    HWND window = nullptr;

    void SetUp() override {
        steps.clear();
        activeHost = &session;
        session.desktop.hostWindow = hostWindowHandle();
        createDialog(dialog, mainDialogTemplate(), idleProcedure, hostWindowHandle());
        session.desktop.dialog = &dialog.window;
        window = &dialog.window;
    }
    void TearDown() override {
        EXPECT_EQ(session.wrongVersionCalls, 0);
        activeHost = nullptr;
    }
    HeadlessControl& control(int id) { return dialog.controls[findControlById(dialog, id)]; }
    std::string text(int id) { return control(id).text; }
};

TEST_F(DialogServicesTest, ModalDialogRunsUntilEscapeEndsIt) {
    session.desktop.dialog = nullptr;
    session.desktop.onOpened = [](HWND opened) {
        const HeadlessDialog& open = *opened->dialog;
        steps.push_back("opened, focus " + open.controls[open.focus].name);
    };
    session.desktop.onEnded = [](HWND ended) {
        steps.push_back("ended with " + ended->dialog->controls[7].text);
    };
    EXPECT_EQ(FX_Dialog(20128, cancellingProcedure, hostWindowHandle(), 1, 0, version), 1);
    EXPECT_EQ(steps,
              (std::vector<std::string>{"init", "nested 0", "opened, focus IDC_INSTRUMENT_LIST",
                                        "cancel", "ended with 24"}));
    EXPECT_EQ(session.desktop.dialog, nullptr);

    SCOPED_TRACE("an unknown resource shows nothing");
    steps.clear();
    EXPECT_EQ(FX_Dialog(20129, cancellingProcedure, hostWindowHandle(), 1, 0, version), 0);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(session.calls[serviceDialog], 3);
    EXPECT_EQ(session.calls[serviceEndDialog], 1);
    EXPECT_EQ(FX_EndDialog(window, version), 0) << "a dialog that is not open cannot end";
}

TEST_F(DialogServicesTest, ValuesByKind) {
    SCOPED_TRACE("kind 0: the 1-based entry of the drop-down list, 0 when none");
    for (const char* entry : {"a", "b", "c"})
        SendDlgItemMessageA(window, IDC_SCOPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_SCOPE, 0, version), 0);
    FX_SetDlgItemVal(window, IDC_SCOPE, 0, 3, version);
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_SCOPE, 0, version), 3);
    FX_SetDlgItemVal(window, IDC_SCOPE, 0, 4, version);
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_SCOPE, 0, version), 0);
    FX_SetDlgItemVal(window, IDC_SCOPE, 0, INT_MIN, version);
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_SCOPE, 0, version), 0);

    SCOPED_TRACE("kinds 1 and 2: setting one radio button touches no other");
    FX_SetDlgItemVal(window, IDC_ALL_SYSTEMS, 2, 1, version);
    FX_SetDlgItemVal(window, IDC_SELECTED_SYSTEMS, 2, 5, version);
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_ALL_SYSTEMS, 2, version), 1);
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_SELECTED_SYSTEMS, 2, version), 1);
    FX_SetDlgItemVal(window, IDC_UPDATE_LAYOUT, 1, 1, version);
    FX_SetDlgItemVal(window, IDC_UPDATE_LAYOUT, 1, 0, version);
    EXPECT_EQ(FX_GetDlgItemVal(window, IDC_UPDATE_LAYOUT, 1, version), 0);

    SCOPED_TRACE("kind 3: whole numbers");
    FX_SetDlgItemVal(window, IDC_FIRST_SYSTEM, 3, -42, version);
    EXPECT_EQ(text(IDC_FIRST_SYSTEM), "-42");
    const std::pair<const char*, int32_t> reads[] = {
        {" -12 ", -12},
        {"+7", 7},
        {"12a", 0},
        {"", 0},
        {"1.5", 0},
        {"- 3", 0},
        {"99999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
    };
    for (const auto& [shown, value] : reads) {
        FX_SetDlgString(window, IDC_FIRST_SYSTEM, shown, version);
        EXPECT_EQ(FX_GetDlgItemVal(window, IDC_FIRST_SYSTEM, 3, version), value) << shown;
    }
    EXPECT_EQ(FX_GetDlgItemVal(window, 999, 3, version), 0) << "no such control";
    EXPECT_EQ(FX_GetDlgItemVal(hostWindowHandle(), IDC_FIRST_SYSTEM, 3, version), 0);
}

TEST_F(DialogServicesTest, DistancesInTheDocumentsUnit) {
    FX_SetDlgItemUser(window, IDC_DISTANCE, 2, 24.0, version);
    EXPECT_EQ(text(IDC_DISTANCE), "0.08333");
    FX_SetDlgItemUser(window, IDC_DISTANCE, 3, 288.0, version);
    EXPECT_EQ(text(IDC_DISTANCE), "2.54");
    FX_SetDlgItemUser(window, IDC_DISTANCE, 6, -36.0, version);
    EXPECT_EQ(text(IDC_DISTANCE), "-1.5");
    FX_SetDlgItemUser(window, IDC_DISTANCE, 9, 12.0, version);
    EXPECT_EQ(text(IDC_DISTANCE), "12") << "an unknown unit counts as EVPUs";

    double value = -1;
    FX_SetDlgString(window, IDC_DISTANCE, " 1.5", version);
    EXPECT_EQ(FX_GetDlgItemUser(window, IDC_DISTANCE, 5, &value, version), 1);
    EXPECT_DOUBLE_EQ(value, 72.0);
    FX_SetDlgString(window, IDC_DISTANCE, "-1,5", version);
    value = -1;
    EXPECT_EQ(FX_GetDlgItemUser(window, IDC_DISTANCE, 1, &value, version), 0);
    EXPECT_EQ(value, -1) << "a text that is not a number leaves the value unwritten";
    EXPECT_EQ(session.calls[serviceSetDlgItemUser], 4);
    EXPECT_EQ(session.calls[serviceGetDlgItemUser], 2);
}

TEST_F(DialogServicesTest, EnablingAndFocus) {
    FX_EnableDlgItem(window, IDC_BELOW, 0, version);
    EXPECT_FALSE(dialog.controls[3].enabled);
    EXPECT_TRUE(dialog.controls[10].enabled) << "the label sharing ID 104 is not reached";
    dialog.focus = 2;
    EXPECT_EQ(FX_SetDlgFocus(window, IDC_BELOW, version), 0);
    EXPECT_EQ(dialog.focus, 2) << "a disabled control refuses the focus, as SetFocus does";
    FX_EnableDlgItem(window, IDC_BELOW, 1, version);
    EXPECT_TRUE(dialog.controls[3].enabled);
    FX_SetDlgFocus(window, IDC_BELOW, version);
    EXPECT_EQ(dialog.focus, 3);
    EXPECT_EQ(FX_EnableDlgItem(window, 999, 0, version), 0);
    FX_SetDlgFocus(window, 999, version);
    EXPECT_EQ(dialog.focus, 3);
}

TEST_F(DialogServicesTest, StrictHostReportsEachBreachOfTheDialogServices) {
    struct Case {
        const char* breach;
        void (*call)(HWND window);
        const char* violation;
    } cases[] = {
        {"a combo box read as a check box",
         [](HWND w) { FX_GetDlgItemVal(w, IDC_SCOPE, 1, version); },
         "FX_GetDlgItemVal 107: kind 1 is for a check box, the control is a combo box"},
        {"a check box set as a radio button",
         [](HWND w) { FX_SetDlgItemVal(w, IDC_SMART_FILTER, 2, 1, version); },
         "FX_SetDlgItemVal 108: kind 2 is for a radio button, the control is a check box"},
        {"a radio button read as a number",
         [](HWND w) { FX_GetDlgItemVal(w, IDC_ALL_SYSTEMS, 3, version); },
         "FX_GetDlgItemVal 113: kind 3 is for an edit field, the control is a radio button"},
        {"a kind of no control", [](HWND w) { FX_GetDlgItemVal(w, IDC_DISTANCE, 4, version); },
         "FX_GetDlgItemVal 105: kind 4 is none of 0 to 3"},
        {"a distance in no unit",
         [](HWND w) { FX_SetDlgItemUser(w, IDC_DISTANCE, 9, 12.0, version); },
         "FX_SetDlgItemUser 105: unit 9 is none of 1 to 6"},
        {"a distance read from a label",
         [](HWND w) {
             double value = 0;
             FX_GetDlgItemUser(w, IDC_DISTANCE_UNITS, 1, &value, version);
         },
         "FX_GetDlgItemUser 106: the control is a label, not an edit field"},
        {"a control the dialog lacks", [](HWND w) { FX_EnableDlgItem(w, 999, 0, version); },
         "FX_EnableDlgItem 999: the dialog has no control with this ID"},
        {"a window that is not the dialog",
         [](HWND) { FX_SetDlgString(hostWindowHandle(), IDC_DISTANCE, "1", version); },
         "FX_SetDlgString: names no open dialog"},
        {"the dialog after its end",
         [](HWND w) {
             FX_EndDialog(w, version);
             FX_SetDlgFocus(w, IDC_DISTANCE, version);
         },
         "FX_SetDlgFocus: names the dialog after FX_EndDialog"},
        {"a dialog owned by another window",
         [](HWND w) { FX_Dialog(20128, idleProcedure, w, 1, 0, version); },
         "FX_Dialog: an owner other than the window the invocation received"},
        {"a list-box message to the combo box",
         [](HWND w) { SendDlgItemMessageA(w, IDC_SCOPE, LB_GETCURSEL, 0, 0); },
         "SendDlgItemMessageA 0x0188: a message for a list box, sent to a combo box"},
        {"an up-down message to an edit field",
         [](HWND w) { SendDlgItemMessageA(w, IDC_DISTANCE, UDM_SETRANGE, 0, 0); },
         "SendDlgItemMessageA 0x0465: a message for an up-down control, sent to an edit field"},
        {"an edit message to no control",
         [](HWND w) { SendMessageA(GetDlgItem(w, 999), EM_SETSEL, 0, -1); },
         "SendMessageA 0x00B1: sent to no control"},
        {"a check box written 2",
         [](HWND w) { FX_SetDlgItemVal(w, IDC_SMART_FILTER, 1, 2, version); },
         "FX_SetDlgItemVal 108: writes 2 into a check box or radio button, not 0 or 1"},
        {"a control enabled with 2", [](HWND w) { FX_EnableDlgItem(w, IDC_ABOVE, 2, version); },
         "FX_EnableDlgItem 103: gets 2, not 0 or 1"},
        {"a registry key opened with a reserved option",
         [](HWND) {
             HKEY key = nullptr;
             RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 1, KEY_READ, &key);
         },
         "RegOpenKeyExA: a reserved argument is not 0"},
        {"a registry value set with a reserved argument",
         [](HWND) {
             HKEY key = nullptr;
             RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Lumbrel test", 0, nullptr, 0, KEY_WRITE,
                             nullptr, &key, nullptr);
             RegSetValueExA(key, "x", 1, 3, nullptr, 0);
             RegCloseKey(key);
         },
         "RegSetValueExA: a reserved argument is not 0"},
        {"a list-box question with a parameter it does not use",
         [](HWND w) { SendDlgItemMessageA(w, IDC_INSTRUMENT_LIST, LB_GETSELCOUNT, 0, 1); },
         "SendDlgItemMessageA 0x0190: a parameter the message does not use is not 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.breach);
        clearRunRecord(session);
        dialog.ended = false;
        session.desktop.dialogEnded = false;
        c.call(window);
        EXPECT_EQ(session.violations, std::vector<std::string>{c.violation});
    }
    SCOPED_TRACE("what the plug-in does is no breach");
    clearRunRecord(session);
    FX_SetDlgItemVal(window, IDC_SCOPE, 0, 1, version);
    FX_GetDlgItemVal(window, IDC_UPDATE_LAYOUT, 1, version);
    FX_SetDlgItemUser(window, IDC_DISTANCE, 6, 24.0, version);
    SendDlgItemMessageA(window, IDC_FIRST_SYSTEM_SPIN, UDM_SETRANGE, 0, MAKELPARAM(12, 1));
    SendMessageA(GetDlgItem(window, IDC_DISTANCE), EM_SETSEL, 0, -1);
    EXPECT_EQ(session.violations, std::vector<std::string>{});
}

} // namespace
