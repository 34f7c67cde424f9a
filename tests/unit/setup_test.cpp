#include "dialog/setup.h"

#include "dialog/controls.h"
#include "dialog/dialog_ids.h"
#include "dialog/values.h"
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

} // namespace
