#include "dialog/controls.h"

#include "dialog/dialog_ids.h"
#include "host/services.h"
#include "support/test_dialog.h"

namespace {

using ControlsTest = DialogTest;

TEST_F(ControlsTest, CurrentScopeReadsOnlyOfferedEntries) {
    for (const char* text : {"Optimized Staff Systems", "Global Staff Set", "Staff Set #3"})
        addComboString(handle(), IDC_SCOPE, text);
    dialogValues.scopeChoices[0] = 1;
    dialogValues.scopeChoices[1] = 2;
    dialogValues.scopeChoices[2] = 5;
    dialogValues.scopeChoiceCount = 2;

    SCOPED_TRACE("no entry selected");
    EXPECT_EQ(currentScope(handle()), 0);

    FX_SetDlgItemVal(handle(), IDC_SCOPE, itemKindComboBox, 2, hostInterfaceVersion);
    EXPECT_EQ(currentScope(handle()), 2);

    SCOPED_TRACE("an entry beyond the scope table's count");
    FX_SetDlgItemVal(handle(), IDC_SCOPE, itemKindComboBox, 3, hostInterfaceVersion);
    EXPECT_EQ(currentScope(handle()), 0);
    dialogValues.scopeChoiceCount = 3;
    EXPECT_EQ(currentScope(handle()), 5);
}

TEST_F(ControlsTest, StepUnitValueHoldsTheBounds) {
    struct Case {
        const char* typed;
        double delta;
        double expected;
    } cases[] = {{"499", 1, 500},   {"500", 1, 500}, {"-500", -1, -500}, {"650", -1, 500},
                 {"-900", 1, -500}, {"12", -1, 11},  {"abc", 1, 1},      {"", -1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        setControlText(control(IDC_DISTANCE), c.typed);
        stepUnitValue(handle(), IDC_DISTANCE, c.delta, -500, 500, 1);
        double value = 1e9;
        FX_GetDlgItemUser(handle(), IDC_DISTANCE, 1, &value, hostInterfaceVersion);
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(ControlsTest, SpinRangeAndEmptyList) {
    setSpinRange(handle(), IDC_FIRST_SYSTEM_SPIN, 1, 12); // maximum low, minimum high
    EXPECT_EQ(control(IDC_FIRST_SYSTEM_SPIN).minimum, 1);
    EXPECT_EQ(control(IDC_FIRST_SYSTEM_SPIN).maximum, 12);
    EXPECT_EQ(getListCurrent(handle(), IDC_INSTRUMENT_LIST), -1);
}

} // namespace
