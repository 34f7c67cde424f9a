#include "dialog/procedure.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "host/entry_points.h"
#include "support/test_dialog.h"

#include <string>

namespace {

class ProcedureTest : public DialogTest {
  protected:
    // Two optimized systems holding staves 1..3, no region, the dialog set up.
    void SetUp() override {
        DialogTest::SetUp();
        addOptimizedScore(2);
        pluginState.scope = 2;
        prepareInvocation(nullptr);
        initializeDialog(dialog);
        clearRunRecord(session);
    }

    int index(int id) { return findControlById(dialog, id); }
};

TEST_F(ProcedureTest, NotificationWithoutItsRecordIsIgnored) {
    EXPECT_EQ(mainDialogProc(handle(), WM_NOTIFY, IDC_DISTANCE_SPIN, 0, 0), 1);
    EXPECT_EQ(mainDialogProc(handle(), WM_NOTIFY, IDC_SCOPE_SPIN, 0, 0), 1);
    for (long calls : session.calls)
        EXPECT_EQ(calls, 0);

    SCOPED_TRACE("another notification code is not read as an up-down's record");
    NMHDR header{};
    header.code = 0U - 2; // NM_CLICK
    EXPECT_EQ(
        mainDialogProc(handle(), WM_NOTIFY, IDC_SCOPE_SPIN, reinterpret_cast<LPARAM>(&header), 0),
        1);
    for (long calls : session.calls)
        EXPECT_EQ(calls, 0);
}

TEST_F(ProcedureTest, CommandsActOnlyOnTheirNotification) {
    // the enabling rules make 12 calls of FX_EnableDlgItem; the layout rule sets one check box
    const struct {
        int item;
        WORD code;
        long enablings;
    } commands[] = {
        {IDC_INSTRUMENT_LIST, LBN_SELCHANGE, 12},
        {IDC_INSTRUMENT_LIST, 2 /* LBN_DBLCLK */, 0},
        {IDC_ALL_SYSTEMS, BN_CLICKED, 12},
        {IDC_ALL_SYSTEMS, 5 /* BN_DOUBLECLICKED */, 0},
        {IDC_SELECTED_SYSTEMS, BN_CLICKED, 12},
        {IDC_SELECTED_SYSTEMS, 6 /* BN_SETFOCUS */, 0},
        {IDC_SCOPE, CBN_SELCHANGE, 12},
        {IDC_SCOPE, 3 /* CBN_SETFOCUS */, 0},
        {IDC_TO_LABEL, BN_CLICKED, 0},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(std::to_string(command.item) + ", code " + std::to_string(command.code));
        clearRunRecord(session);
        EXPECT_EQ(
            mainDialogProc(handle(), WM_COMMAND, MAKEWPARAM(command.item, command.code), 0, 0), 0);
        EXPECT_EQ(callsOf(serviceEnableDlgItem), command.enablings);
    }
}

TEST_F(ProcedureTest, OkPushesFreesTheSelectionAndEndsTheDialog) {
    userSelectItems(dialog, index(IDC_INSTRUMENT_LIST), {1});
    userType(dialog, index(IDC_DISTANCE), "24");

    SCOPED_TRACE("a failed validation leaves the dialog open");
    userType(dialog, index(IDC_DISTANCE), "0");
    confirmDialog(handle());
    EXPECT_FALSE(dialog.ended);
    EXPECT_TRUE(session.saves.empty());

    userType(dialog, index(IDC_DISTANCE), "24");
    confirmDialog(handle());
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(pluginState.selectedItems, nullptr);
    ASSERT_EQ(session.saves.size(), 1u) << "staff 2 in the global staff list";
    EXPECT_EQ(positionAt(0, 1), -200 + 24);
    EXPECT_EQ(callsOf(serviceEndDialog), 1);
}

// The selection buttons on a list without a current entry, and on one longer than "&None" reaches.
using SelectionButtonTest = DialogTest;

TEST_F(SelectionButtonTest, AboveAndBelowWithoutACurrentEntryOnlyApplyTheEnablingRules) {
    // an empty instrument list has no current entry
    addSystem(1, 1, 2, true);
    pluginState.scope = 1;
    prepareInvocation(nullptr);
    initializeDialog(dialog);
    ASSERT_EQ(pluginState.instrumentCount, 0);
    EXPECT_FALSE(control(IDC_ABOVE).enabled);
    EXPECT_FALSE(control(IDC_BELOW).enabled);
    for (int button : {IDC_ABOVE, IDC_BELOW}) {
        SCOPED_TRACE(button);
        // as if something had enabled them meanwhile: the rules run again and disable them
        enableControl(dialog, findControlById(dialog, IDC_ABOVE), true);
        enableControl(dialog, findControlById(dialog, IDC_BELOW), true);
        clearRunRecord(session);
        mainDialogProc(handle(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0, 0);
        EXPECT_FALSE(control(IDC_ABOVE).enabled);
        EXPECT_FALSE(control(IDC_BELOW).enabled);
        EXPECT_TRUE(selectedPositions(IDC_INSTRUMENT_LIST).empty());
        EXPECT_EQ(callsOf(serviceEnableDlgItem), 12) << "the enabling rules, once";
    }
}

TEST_F(SelectionButtonTest, NoneClearsTheFirst16001EntriesOnly) {
    for (int i = 0; i < 16005; ++i)
        addListString(handle(), IDC_INSTRUMENT_LIST, "staff");
    pluginState.instrumentCount = 16005;
    selectAllInstruments(handle());
    ASSERT_EQ(getListSelCount(handle(), IDC_INSTRUMENT_LIST), 16005);
    mainDialogProc(handle(), WM_COMMAND, MAKEWPARAM(IDC_NONE, BN_CLICKED), 0, 0);
    EXPECT_EQ(selectedPositions(IDC_INSTRUMENT_LIST),
              (std::vector<int>{16001, 16002, 16003, 16004}));
}

} // namespace
