#include "dialog/validation.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "host/entry_points.h"
#include "support/test_dialog.h"

#include <cmath>

namespace {

class ValidationTest : public DialogTest {
  protected:
    // Three optimized systems holding staves 1..3, no region, the dialog set up.
    void SetUp() override {
        DialogTest::SetUp();
        addOptimizedScore(3);
        pluginState.scope = 1;
        pluginState.smartFilter = 1;
        prepareInvocation(nullptr);
        initializeDialog(dialog);
    }

    int index(int id) { return findControlById(dialog, id); }

    void type(int id, const std::string& text) { userType(dialog, index(id), text); }

    // The control with the focus and whether its whole text is selected.
    std::string focusName() {
        return dialog.focus < 0 ? "" : dialog.controls[static_cast<size_t>(dialog.focus)].name;
    }
    bool wholeTextSelected(int id) {
        const HeadlessControl& field = control(id);
        return field.selectionStart == 0 &&
               field.selectionEnd == static_cast<int>(field.text.size());
    }
};

TEST_F(ValidationTest, ChecksInOrderAndStoresNothingUntilAllPass) {
    PluginState before = pluginState;
    auto unchanged = [&] {
        EXPECT_EQ(pluginState.pushDistance, before.pushDistance);
        EXPECT_EQ(pluginState.firstSystem, before.firstSystem);
        EXPECT_EQ(pluginState.lastSystem, before.lastSystem);
        EXPECT_EQ(pluginState.selectedItems, nullptr);
    };

    SCOPED_TRACE("no instrument selected: the focus stays");
    type(IDC_DISTANCE, "9999");
    EXPECT_EQ(validateDialogInput(handle()), 0);
    ASSERT_EQ(session.desktop.messages.size(), 1u);
    EXPECT_EQ(session.desktop.messages[0].caption, "No instruments to process");
    EXPECT_EQ(session.desktop.messages[0].text, "There are no instruments selected.");
    EXPECT_EQ(session.desktop.messages[0].style, 0x10u);
    EXPECT_EQ(session.desktop.messages[0].owner, "dialog");
    EXPECT_EQ(focusName(), "IDC_DISTANCE");
    unchanged();

    userSelectItems(dialog, index(IDC_INSTRUMENT_LIST), {1});
    for (const char* typed : {"501", "-501", "9999"}) {
        SCOPED_TRACE(typed);
        type(IDC_DISTANCE, typed);
        EXPECT_EQ(validateDialogInput(handle()), 0);
        EXPECT_EQ(messageTexts().back(), "Distance must be between -500 and 500 EVPUs.");
        EXPECT_EQ(session.desktop.messages.back().caption, "Invalid distance");
        EXPECT_EQ(focusName(), "IDC_DISTANCE");
        EXPECT_TRUE(wholeTextSelected(IDC_DISTANCE));
    }

    SCOPED_TRACE("zero");
    type(IDC_DISTANCE, "0");
    EXPECT_EQ(validateDialogInput(handle()), 0);
    EXPECT_EQ(messageTexts().back(), "The distance to move is zero.");
    EXPECT_EQ(focusName(), "IDC_DISTANCE");

    SCOPED_TRACE("a last system above the count is named first, even with the first wrong");
    type(IDC_DISTANCE, "-500");
    userClick(dialog, index(IDC_SELECTED_SYSTEMS));
    type(IDC_FIRST_SYSTEM, "0");
    type(IDC_LAST_SYSTEM, "4");
    EXPECT_EQ(validateDialogInput(handle()), 0);
    EXPECT_EQ(messageTexts().back(), "Staff system range is invalid.");
    EXPECT_EQ(focusName(), "IDC_LAST_SYSTEM");
    EXPECT_TRUE(wholeTextSelected(IDC_LAST_SYSTEM));

    for (const char* first : {"0", "3"}) {
        SCOPED_TRACE(first);
        type(IDC_FIRST_SYSTEM, first);
        type(IDC_LAST_SYSTEM, "2");
        EXPECT_EQ(validateDialogInput(handle()), 0);
        EXPECT_EQ(messageTexts().back(), "Staff system range is invalid.");
        EXPECT_EQ(focusName(), "IDC_FIRST_SYSTEM");
    }
    unchanged();

    SCOPED_TRACE("accepted");
    size_t shown = session.desktop.messages.size();
    type(IDC_FIRST_SYSTEM, "2");
    type(IDC_LAST_SYSTEM, "3");
    EXPECT_EQ(validateDialogInput(handle()), 1);
    EXPECT_EQ(session.desktop.messages.size(), shown);
    EXPECT_EQ(pluginState.pushDistance, -500);
    EXPECT_EQ(pluginState.firstSystem, 2);
    EXPECT_EQ(pluginState.lastSystem, 3);
    EXPECT_EQ(pluginState.scope, 1);
    EXPECT_EQ(pluginState.smartFilter, 1);
    ASSERT_EQ(pluginState.selectedCount, 1);
    ASSERT_NE(pluginState.selectedItems, nullptr);
    EXPECT_EQ(pluginState.selectedItems[0], 1);
}

TEST_F(ValidationTest, DistanceInAnotherUnitIsTruncated) {
    userSelectItems(dialog, index(IDC_INSTRUMENT_LIST), {0});
    dialogValues.measureUnit = 4; // points
    for (const char* typed : {"abc", "0.1", "-0.1"}) {
        SCOPED_TRACE(typed);
        type(IDC_DISTANCE, typed);
        EXPECT_EQ(validateDialogInput(handle()), 0);
        EXPECT_EQ(messageTexts().back(), "The distance to move is zero.");
    }
    setUnitValue(handle(), IDC_DISTANCE, 4, 500.9);
    EXPECT_EQ(validateDialogInput(handle()), 1);
    EXPECT_EQ(pluginState.pushDistance, 500);
    releaseSelection(pluginState);

    SCOPED_TRACE("a host that reads the field as no number or as an infinity");
    const struct {
        double read;
        const char* message;
    } answers[] = {{std::nan(""), "The distance to move is zero."},
                   {HUGE_VAL, "Distance must be between -500 and 500 EVPUs."},
                   {-HUGE_VAL, "Distance must be between -500 and 500 EVPUs."},
                   {-3e9, "Distance must be between -500 and 500 EVPUs."}};
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.read);
        double read = answer.read;
        session.answers.unitValue = [read](double& value, bool) {
            value = read;
            return true;
        };
        EXPECT_EQ(validateDialogInput(handle()), 0);
        EXPECT_EQ(messageTexts().back(), answer.message);
    }
    session.answers.unitValue = nullptr;
}

TEST_F(ValidationTest, SmartFilterConflict) {
    type(IDC_DISTANCE, "24");
    userSelectItems(dialog, index(IDC_INSTRUMENT_LIST), {0, 1, 2});

    SCOPED_TRACE("No: nothing stored");
    session.desktop.answers = {"no"};
    EXPECT_EQ(validateDialogInput(handle()), 0);
    ASSERT_EQ(session.desktop.messages.size(), 1u);
    EXPECT_EQ(session.desktop.messages[0].caption, "Conflicting options");
    EXPECT_EQ(session.desktop.messages[0].style, 0x24u);
    EXPECT_EQ(pluginState.pushDistance, 0);
    EXPECT_EQ(pluginState.selectedItems, nullptr);

    SCOPED_TRACE("Yes: the filter is stored off, the box stays ticked");
    session.desktop.answers = {"yes"};
    EXPECT_EQ(validateDialogInput(handle()), 1);
    EXPECT_EQ(pluginState.smartFilter, 0);
    EXPECT_EQ(control(IDC_SMART_FILTER).checked, 1);
    EXPECT_EQ(pluginState.selectedCount, 3);

    SCOPED_TRACE("one entry unselected: no question");
    userSelectItems(dialog, index(IDC_INSTRUMENT_LIST), {0, 2});
    EXPECT_EQ(validateDialogInput(handle()), 1);
    EXPECT_EQ(session.desktop.messages.size(), 2u);
    EXPECT_EQ(pluginState.smartFilter, 1);
}

} // namespace
