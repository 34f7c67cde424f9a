// The headless dialog built from the plug-in's template: its controls answer the plug-in's
// messages (sent through the Win32 stand-in) and the user's actions as Win32 controls do.
#include "dialog/dialog_ids.h"
#include "headless/desktop.h"
#include "resource/win32_constants.h"
#include "session/host_session.h"

#include <gtest/gtest.h>

namespace {

struct Received {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    NMUPDOWN change;
};

std::vector<Received> received;
int32_t initAnswer = 1;

int32_t recordingProcedure(HWND, uint32_t message, WPARAM wParam, LPARAM lParam, int32_t) {
    Received message_{message, wParam, lParam, {}};
    if (message == WM_NOTIFY)
        message_.change = *reinterpret_cast<const NMUPDOWN*>(lParam);
    received.push_back(message_);
    return message == WM_INITDIALOG ? initAnswer : 0;
}

class DialogWindowTest : public ::testing::Test {
  protected:
    HostSession session;
    HeadlessDialog dialog;
    HWND window = nullptr;

    void SetUp() override {
        activeHost = &session;
        received.clear();
        initAnswer = 1;
        createDialog(dialog, mainDialogTemplate(), recordingProcedure, hostWindowHandle());
        session.desktop.dialog = &dialog.window;
        window = &dialog.window;
    }
    void TearDown() override { activeHost = nullptr; }

    LRESULT send(int item, UINT message, WPARAM wParam, LPARAM lParam) {
        return SendDlgItemMessageA(window, item, message, wParam, lParam);
    }
    int index(const char* name) { return findControlByName(dialog, name); }
    HeadlessControl& control(const char* name) { return dialog.controls[index(name)]; }
    void addItems(int item, UINT message, int count) {
        for (int i = 0; i < count; ++i)
            send(item, message, 0, reinterpret_cast<LPARAM>(std::to_string(i).c_str()));
    }
    std::vector<int> selectedItems() {
        int32_t buffer[16] = {};
        LRESULT count =
            send(IDC_INSTRUMENT_LIST, LB_GETSELITEMS, 16, reinterpret_cast<LPARAM>(buffer));
        return std::vector<int>(buffer, buffer + count);
    }
};

TEST_F(DialogWindowTest, ControlsAreFoundAsGetDlgItemFindsThem) {
    std::vector<std::string> names = controlNames(mainDialogTemplate());
    ASSERT_EQ(names.size(), 27u);
    EXPECT_EQ(names[3], "IDC_BELOW");
    EXPECT_EQ(names[10], "IDC_BELOW_LABEL");
    EXPECT_EQ(names[26], "IDCANCEL");
    EXPECT_EQ(GetDlgItem(window, IDC_BELOW), &dialog.controls[3].window)
        << "ID 104 reaches the button, the first control with it";
    EXPECT_EQ(GetDlgItem(window, 999), nullptr);
    EXPECT_EQ(GetDlgItem(hostWindowHandle(), IDC_BELOW), nullptr);
    EXPECT_EQ(findControlByName(dialog, "IDC_NOTHING"), -1);
    EXPECT_EQ(control("IDC_DISTANCE_SPIN").buddy, index("IDC_DISTANCE"));
    EXPECT_EQ(control("IDC_SCOPE_SPIN").buddy, index("IDC_SCOPE"));
}

TEST_F(DialogWindowTest, ExtendedSelectionListBox) {
    SCOPED_TRACE("an empty list has no current entry");
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Flute")), 0);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0), 0) << "the first entry is current";
    addItems(IDC_INSTRUMENT_LIST, LB_ADDSTRING, 5);
    EXPECT_EQ(control("IDC_INSTRUMENT_LIST").items[5], "4") << "entries are appended, unsorted";

    SCOPED_TRACE("LB_SETSEL");
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 4), 0);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0), 4) << "selecting moves the caret";
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 6), LB_ERR);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, -2), LB_ERR);
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, -1);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETSELCOUNT, 0, 0), 6);
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, FALSE, 1);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0), 4) << "clearing leaves the caret";
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, FALSE, -1);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETSELCOUNT, 0, 0), 0);

    SCOPED_TRACE("LB_SELITEMRANGEEX selects forwards, clears backwards, within the list");
    send(IDC_INSTRUMENT_LIST, LB_SELITEMRANGEEX, 1, 3);
    EXPECT_EQ(selectedItems(), (std::vector<int>{1, 2, 3}));
    send(IDC_INSTRUMENT_LIST, LB_SELITEMRANGEEX, 2, 1);
    EXPECT_EQ(selectedItems(), (std::vector<int>{3}));
    send(IDC_INSTRUMENT_LIST, LB_SELITEMRANGEEX, 4, 100);
    EXPECT_EQ(selectedItems(), (std::vector<int>{3, 4, 5}));
    send(IDC_INSTRUMENT_LIST, LB_SELITEMRANGEEX, 16000, 0);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETSELCOUNT, 0, 0), 0);
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0), 4) << "ranges leave the caret";

    SCOPED_TRACE("LB_GETSELITEMS writes at most the asked number, in ascending order");
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 5);
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 0);
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 2);
    int32_t buffer[3] = {-7, -7, -7};
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETSELITEMS, 2, reinterpret_cast<LPARAM>(buffer)), 2);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 2);
    EXPECT_EQ(buffer[2], -7);
}

TEST_F(DialogWindowTest, DropDownListAndEditFields) {
    addItems(IDC_SCOPE, CB_ADDSTRING, 3);
    EXPECT_EQ(send(IDC_SCOPE, CB_GETCURSEL, 0, 0), -1);
    EXPECT_EQ(send(IDC_SCOPE, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(control("IDC_SCOPE").text, "2") << "a drop-down list shows its selected entry";
    EXPECT_EQ(send(IDC_SCOPE, CB_SETCURSEL, 3, 0), -1);
    EXPECT_EQ(send(IDC_SCOPE, CB_GETCURSEL, 0, 0), -1) << "an entry out of range clears it";

    SCOPED_TRACE("typing keeps to the limit; setting the text does not");
    send(IDC_DISTANCE, EM_LIMITTEXT, 8, 0);
    userType(dialog, index("IDC_DISTANCE"), "-123456789");
    EXPECT_EQ(control("IDC_DISTANCE").text, "-1234567");
    send(IDC_DISTANCE, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1234567890"));
    EXPECT_EQ(control("IDC_DISTANCE").text, "1234567890");

    SCOPED_TRACE("ES_NUMBER takes digits only");
    userType(dialog, index("IDC_FIRST_SYSTEM"), "-1a2 3");
    EXPECT_EQ(control("IDC_FIRST_SYSTEM").text, "123");
    EXPECT_EQ(dialog.focus, index("IDC_FIRST_SYSTEM"));

    SCOPED_TRACE("EM_SETSEL 0, -1 selects the whole text; typing or setting it drops that");
    SendMessageA(GetDlgItem(window, IDC_FIRST_SYSTEM), EM_SETSEL, 0, -1);
    auto selected = [&] { return dialogSnapshot(dialog)["controls"][18]["textSelected"]; };
    EXPECT_EQ(selected(), true);
    userType(dialog, index("IDC_FIRST_SYSTEM"), "4");
    EXPECT_EQ(selected(), false);
    send(IDC_FIRST_SYSTEM, EM_SETSEL, 0, -1);
    FX_SetDlgString(window, IDC_FIRST_SYSTEM, "77", hostInterfaceVersion);
    EXPECT_EQ(selected(), false);
    send(IDC_FIRST_SYSTEM, EM_SETSEL, 0, 1);
    EXPECT_EQ(selected(), false) << "part of the text";
}

TEST_F(DialogWindowTest, ClicksOnButtons) {
    SCOPED_TRACE("a check box toggles and notifies BN_CLICKED with its handle");
    userClick(dialog, index("IDC_SMART_FILTER"));
    EXPECT_EQ(control("IDC_SMART_FILTER").checked, 1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, static_cast<uint32_t>(WM_COMMAND));
    EXPECT_EQ(received[0].wParam, MAKEWPARAM(IDC_SMART_FILTER, BN_CLICKED));
    EXPECT_EQ(received[0].lParam, reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_SMART_FILTER)));
    EXPECT_EQ(dialog.focus, index("IDC_SMART_FILTER"));
    userClick(dialog, index("IDC_SMART_FILTER"));
    EXPECT_EQ(control("IDC_SMART_FILTER").checked, 0);

    SCOPED_TRACE("a radio button checks itself and clears the other of its group");
    userClick(dialog, index("IDC_ALL_SYSTEMS"));
    userClick(dialog, index("IDC_SELECTED_SYSTEMS"));
    EXPECT_EQ(control("IDC_ALL_SYSTEMS").checked, 0);
    EXPECT_EQ(control("IDC_SELECTED_SYSTEMS").checked, 1);
    EXPECT_EQ(control("IDC_SMART_FILTER").checked, 0) << "check boxes are not in the group";

    SCOPED_TRACE("disabled controls, group boxes and labels ignore clicks");
    received.clear();
    enableControl(dialog, index("IDC_ALL_SYSTEMS"), false);
    userClick(dialog, index("IDC_ALL_SYSTEMS"));
    userClick(dialog, index("IDC_OPTIMIZED_GROUP"));
    userClick(dialog, index("IDC_BELOW_LABEL"));
    EXPECT_EQ(control("IDC_SELECTED_SYSTEMS").checked, 1);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(dialog.focus, index("IDC_SELECTED_SYSTEMS"));
    enableControl(dialog, index("IDC_SELECTED_SYSTEMS"), false);
    EXPECT_EQ(dialog.focus, -1) << "disabling the focused control leaves no focus";
}

TEST_F(DialogWindowTest, UpDownControls) {
    SCOPED_TRACE("the default range, 100 down to 0: the up arrow proposes -1");
    userType(dialog, index("IDC_DISTANCE"), "12");
    dialog.focus = -1;
    userSpin(dialog, index("IDC_DISTANCE_SPIN"), true);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, static_cast<uint32_t>(WM_NOTIFY));
    EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(IDC_DISTANCE_SPIN));
    const NMUPDOWN& change = received[0].change;
    EXPECT_EQ(change.hdr.hwndFrom, GetDlgItem(window, IDC_DISTANCE_SPIN));
    EXPECT_EQ(change.hdr.idFrom, static_cast<UINT_PTR>(IDC_DISTANCE_SPIN));
    EXPECT_EQ(change.hdr.code, static_cast<UINT>(UDN_DELTAPOS));
    EXPECT_EQ(change.iPos, 0);
    EXPECT_EQ(change.iDelta, -1);
    EXPECT_EQ(control("IDC_DISTANCE_SPIN").position, 0) << "held within the range";
    EXPECT_EQ(control("IDC_DISTANCE").text, "12") << "no UDS_SETBUDDYINT: the buddy is left";
    EXPECT_EQ(dialog.focus, index("IDC_DISTANCE")) << "an edit buddy takes the focus";
    EXPECT_EQ(control("IDC_DISTANCE").selectionStart, 0) << "and has its whole text selected";
    EXPECT_EQ(control("IDC_DISTANCE").selectionEnd, 2);
    userSpin(dialog, index("IDC_DISTANCE_SPIN"), false);
    EXPECT_EQ(received[1].change.iDelta, 1);
    EXPECT_EQ(control("IDC_DISTANCE_SPIN").position, 1);

    SCOPED_TRACE("a combo box buddy does not take the focus");
    userSpin(dialog, index("IDC_SCOPE_SPIN"), false);
    EXPECT_EQ(dialog.focus, index("IDC_DISTANCE"));

    SCOPED_TRACE("a set range, 1 to 12, with UDS_SETBUDDYINT");
    received.clear();
    send(IDC_FIRST_SYSTEM_SPIN, UDM_SETRANGE, 0, MAKELPARAM(12, 1));
    FX_SetDlgString(window, IDC_FIRST_SYSTEM, "5", hostInterfaceVersion);
    userSpin(dialog, index("IDC_FIRST_SYSTEM_SPIN"), true);
    EXPECT_EQ(received[0].change.iPos, 5) << "the position is read from the buddy";
    EXPECT_EQ(received[0].change.iDelta, 1);
    EXPECT_EQ(control("IDC_FIRST_SYSTEM").text, "6");
    FX_SetDlgString(window, IDC_FIRST_SYSTEM, "12", hostInterfaceVersion);
    userSpin(dialog, index("IDC_FIRST_SYSTEM_SPIN"), true);
    EXPECT_EQ(control("IDC_FIRST_SYSTEM").text, "12") << "no wrap at the maximum";
    FX_SetDlgString(window, IDC_FIRST_SYSTEM, "40", hostInterfaceVersion);
    userSpin(dialog, index("IDC_FIRST_SYSTEM_SPIN"), false);
    EXPECT_EQ(received[2].change.iPos, 12) << "a text outside the range is not taken";
    EXPECT_EQ(control("IDC_FIRST_SYSTEM").text, "11");

    SCOPED_TRACE("disabled: nothing, also when only the buddy is disabled");
    received.clear();
    enableControl(dialog, index("IDC_LAST_SYSTEM_SPIN"), false);
    userSpin(dialog, index("IDC_LAST_SYSTEM_SPIN"), true);
    enableControl(dialog, index("IDC_FIRST_SYSTEM"), false);
    userSpin(dialog, index("IDC_FIRST_SYSTEM_SPIN"), true);
    EXPECT_TRUE(received.empty());
}

TEST_F(DialogWindowTest, InitialisationSelectionChoiceAndEscape) {
    SCOPED_TRACE("WM_INITDIALOG names the first tab stop, which then takes the focus");
    EXPECT_EQ(initializeDialog(dialog), 1);
    EXPECT_EQ(received[0].message, static_cast<uint32_t>(WM_INITDIALOG));
    EXPECT_EQ(received[0].wParam,
              reinterpret_cast<WPARAM>(GetDlgItem(window, IDC_INSTRUMENT_LIST)));
    EXPECT_EQ(dialog.focus, index("IDC_INSTRUMENT_LIST"));

    SCOPED_TRACE("a selection: exactly those entries, the last one current, LBN_SELCHANGE");
    addItems(IDC_INSTRUMENT_LIST, LB_ADDSTRING, 4);
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 1);
    received.clear();
    userSelectItems(dialog, index("IDC_INSTRUMENT_LIST"), {3, 9, 0});
    EXPECT_EQ(selectedItems(), (std::vector<int>{0, 3}));
    EXPECT_EQ(send(IDC_INSTRUMENT_LIST, LB_GETCURSEL, 0, 0), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].wParam, MAKEWPARAM(IDC_INSTRUMENT_LIST, LBN_SELCHANGE));

    SCOPED_TRACE("choosing an entry: CBN_SELCHANGE; an entry the list lacks cannot be chosen");
    addItems(IDC_SCOPE, CB_ADDSTRING, 2);
    userChoose(dialog, index("IDC_SCOPE"), 3);
    EXPECT_EQ(received.size(), 1u);
    userChoose(dialog, index("IDC_SCOPE"), 2);
    EXPECT_EQ(send(IDC_SCOPE, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(received.back().wParam, MAKEWPARAM(IDC_SCOPE, CBN_SELCHANGE));
    EXPECT_EQ(dialog.focus, index("IDC_SCOPE"));

    SCOPED_TRACE("Escape sends IDCANCEL from the Cancel button and keeps the focus");
    userPressEscape(dialog);
    EXPECT_EQ(received.back().message, static_cast<uint32_t>(WM_COMMAND));
    EXPECT_EQ(received.back().wParam, static_cast<WPARAM>(IDCANCEL));
    EXPECT_EQ(received.back().lParam, reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
    EXPECT_EQ(dialog.focus, index("IDC_SCOPE"));
}

TEST_F(DialogWindowTest, SnapshotShowsEachKindOfControl) {
    initAnswer = 0;
    initializeDialog(dialog);
    nlohmann::json snapshot = dialogSnapshot(dialog);
    EXPECT_TRUE(snapshot["focus"].is_null()) << "a procedure answering 0 places the focus";
    const nlohmann::json& controls = snapshot["controls"];
    ASSERT_EQ(controls.size(), 27u);
    EXPECT_EQ(controls[10], (nlohmann::json{{"index", 10},
                                            {"id", 104},
                                            {"name", "IDC_BELOW_LABEL"},
                                            {"class", "Static"},
                                            {"text", "(Negative = push down)"},
                                            {"enabled", true}}));
    EXPECT_EQ(controls[1]["items"], nlohmann::json::array());
    EXPECT_EQ(controls[1]["current"], -1);
    EXPECT_EQ(controls[12]["selected"], -1);
    EXPECT_EQ(controls[7]["limit"], 0);
    EXPECT_EQ(controls[7]["textSelected"], false);
    EXPECT_EQ(controls[16]["checked"], 0);
    EXPECT_TRUE(controls[19]["range"].is_null());
    EXPECT_FALSE(controls[2].contains("checked"));

    send(IDC_LAST_SYSTEM_SPIN, UDM_SETRANGE, 0, MAKELPARAM(9, 1));
    addItems(IDC_INSTRUMENT_LIST, LB_ADDSTRING, 3);
    send(IDC_INSTRUMENT_LIST, LB_SETSEL, TRUE, 2);
    FX_SetDlgFocus(window, IDC_OPTIMIZED_GROUP, hostInterfaceVersion);
    snapshot = dialogSnapshot(dialog);
    EXPECT_EQ(snapshot["controls"][22]["range"], nlohmann::json::array({1, 9}));
    EXPECT_EQ(snapshot["controls"][1]["items"], nlohmann::json::array({"0", "1", "2"}));
    EXPECT_EQ(snapshot["controls"][1]["selected"], nlohmann::json::array({2}));
    EXPECT_EQ(snapshot["controls"][1]["current"], 2);
    EXPECT_EQ(snapshot["controls"][12]["class"], "ComboBox");
    EXPECT_EQ(snapshot["focus"], "IDC_OPTIMIZED_GROUP");
}

} // namespace
