#include "dialog/setup.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "dialog/values.h"
#include "host/entry_points.h"
#include "score/entries.h"
#include "support/test_dialog.h"

namespace {

TEST(DialogSetup, ScopeOfRegion) {
    struct Case {
        int16_t staffList;
        int16_t scope;
    } cases[] = {{0, 2},   {-36, 3}, {-34, 5}, {-29, 10},  {-37, 1},
                 {-28, 1}, {4, 1},   {-1, 1},  {32767, 1}, {-32768, 1}};
    for (const Case& c : cases) {
        SelectionRegion region{};
        region.staffList = c.staffList;
        EXPECT_EQ(scopeOfRegion(region), c.scope) << "staff list " << c.staffList;
    }
}

TEST(DialogSetup, ScopeChoiceIndex) {
    dialogValues = DialogValues{};
    int16_t choices[] = {1, 2, 4, 7, 9};
    for (int i = 0; i < 5; ++i)
        dialogValues.scopeChoices[i] = choices[i];
    dialogValues.scopeChoiceCount = 4;
    EXPECT_EQ(scopeChoiceIndex(1), 0);
    EXPECT_EQ(scopeChoiceIndex(2), 1);
    EXPECT_EQ(scopeChoiceIndex(7), 3);
    EXPECT_EQ(scopeChoiceIndex(3), 0) << "not offered: the first entry";
    EXPECT_EQ(scopeChoiceIndex(9), 0) << "a value beyond the count is not in the list";

    SCOPED_TRACE("the first of equal values; a count beyond the table reads no further");
    dialogValues.scopeChoices[3] = 2;
    dialogValues.scopeChoiceCount = 300;
    EXPECT_EQ(scopeChoiceIndex(2), 1);
    EXPECT_EQ(scopeChoiceIndex(11), 0);

    dialogValues.scopeChoiceCount = 0;
    EXPECT_EQ(scopeChoiceIndex(1), 0);
    dialogValues = DialogValues{};
}

using DialogSetupTest = DialogTest;

TEST_F(DialogSetupTest, SelectRegionStavesSkipsStavesOutsideTheList) {
    addList(0, {10, 11, 12, 13, 14, 15, 16});
    addList(4, {12, 99, 16}); // staff 99 has no global slot
    pluginState.instrumentCount = fillInstrumentList(handle(), IDC_INSTRUMENT_LIST);
    SelectionRegion region{};
    region.staffList = 4;
    region.firstSlot = 1;
    region.lastSlot = 4; // slot 4 holds no staff
    dialogValues.invokeRegion = &region;
    selectRegionStaves(handle());
    EXPECT_EQ(selectedPositions(IDC_INSTRUMENT_LIST), (std::vector<int>{2, 6}));

    SCOPED_TRACE("a global slot beyond the listed entries");
    deselectListAll(handle(), IDC_INSTRUMENT_LIST);
    pluginState.instrumentCount = 5;
    selectRegionStaves(handle());
    EXPECT_EQ(selectedPositions(IDC_INSTRUMENT_LIST), (std::vector<int>{2}));

    SCOPED_TRACE("first slot after the last, and no region");
    deselectListAll(handle(), IDC_INSTRUMENT_LIST);
    region.firstSlot = 3;
    region.lastSlot = 1;
    selectRegionStaves(handle());
    dialogValues.invokeRegion = nullptr;
    selectRegionStaves(handle());
    EXPECT_TRUE(selectedPositions(IDC_INSTRUMENT_LIST).empty());
}

TEST_F(DialogSetupTest, FillScopeChoices) {
    pluginState.hasOptimizedSystems = 1;
    pluginState.staffSetExists[1] = 1;
    pluginState.staffSetExists[4] = -3; // the host's answer itself: non-zero is enough
    dialogValues.scopeChoiceCount = 7;
    fillScopeChoices(handle());
    ASSERT_EQ(dialogValues.scopeChoiceCount, 4);
    EXPECT_EQ(std::vector<int16_t>(dialogValues.scopeChoices, dialogValues.scopeChoices + 4),
              (std::vector<int16_t>{1, 2, 4, 7}));
    EXPECT_EQ(control(IDC_SCOPE).items,
              (std::vector<std::string>{"Optimized Staff Systems", "Global Staff Set",
                                        "Staff Set #2", "Staff Set #5"}));
}

TEST_F(DialogSetupTest, UnitLabelsAndTheUnitTheDistanceIsShownIn) {
    const struct {
        int16_t code;
        const char* label;
        const char* distance; // 72 EVPUs as the field shows it
    } units[] = {{1, "EVPUs", "72"},  {2, "Inches", "0.25"}, {3, "Centimeters", "0.635"},
                 {4, "Points", "18"}, {5, "Picas", "1.5"},   {6, "Spaces", "3"},
                 {7, "EVPUs", "72"},  {0, "EVPUs", "72"},    {-2, "EVPUs", "72"}};
    addOptimizedScore(1);
    for (const auto& unit : units) {
        SCOPED_TRACE(unit.code);
        std::vector<uint8_t> preferences(61, 0);
        preferences[30] = static_cast<uint8_t>(unit.code);
        preferences[31] = static_cast<uint8_t>(static_cast<uint16_t>(unit.code) >> 8);
        putRecord(session.store, RecordId{testTagPreferences, 0, 0}, preferences);
        HeadlessDialog fresh;
        createDialog(fresh, mainDialogTemplate(), mainDialogProc, hostWindowHandle());
        session.desktop.dialog = &fresh.window;
        pluginState.pushDistance = 72;
        prepareInvocation(nullptr);
        initializeDialog(fresh);
        EXPECT_EQ(
            fresh.controls[static_cast<size_t>(findControlById(fresh, IDC_DISTANCE_UNITS))].text,
            unit.label);
        EXPECT_EQ(fresh.controls[static_cast<size_t>(findControlById(fresh, IDC_DISTANCE))].text,
                  unit.distance);
        session.desktop.dialog = &dialog.window;
    }
}

TEST_F(DialogSetupTest, WithNoScopeKnownTheLayoutBoxShowsTheSavedChoice) {
    // a host that reports no selected scope entry: the layout rule has no scope to follow
    addOptimizedScore(1);
    session.answers.value = [](HostService service, int32_t answer) {
        return service == serviceGetDlgItemVal ? 0 : answer;
    };
    for (int16_t saved : {int16_t{1}, int16_t{0}}) {
        SCOPED_TRACE(saved);
        HeadlessDialog fresh;
        createDialog(fresh, mainDialogTemplate(), mainDialogProc, hostWindowHandle());
        session.desktop.dialog = &fresh.window;
        pluginState.updateLayout = saved;
        prepareInvocation(nullptr);
        initializeDialog(fresh);
        EXPECT_EQ(
            fresh.controls[static_cast<size_t>(findControlById(fresh, IDC_UPDATE_LAYOUT))].checked,
            saved);
        session.desktop.dialog = &dialog.window;
    }
}

} // namespace
