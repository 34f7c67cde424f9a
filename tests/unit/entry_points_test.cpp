#include "host/entry_points.h"

#include "dialog/dialog_ids.h"
#include "dialog/values.h"
#include "headless/desktop.h"
#include "support/test_host.h"

#include <cstring>
#include <string>

namespace {

class EntryPointsTest : public HostTest {
  protected:
    void TearDown() override {
        dialogValues = DialogValues{};
        HostTest::TearDown();
    }
};

// The entry record as the host hands it over: every byte 0xAB.
ExtensionEntry untouchedEntry() {
    ExtensionEntry entry;
    std::memset(&entry, 0xAB, sizeof entry);
    return entry;
}

bool isUntouched(const ExtensionEntry& entry) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&entry);
    for (size_t i = 0; i < sizeof entry; ++i)
        if (bytes[i] != 0xAB)
            return false;
    return true;
}

// The field's text, and whether every byte after it is zero.
std::string fieldText(const char (&field)[64], bool& zeroFilled) {
    std::string text(field, strnlen(field, sizeof field));
    zeroFilled = true;
    for (size_t i = text.size(); i < sizeof field; ++i)
        zeroFilled = zeroFilled && field[i] == 0;
    return text;
}

TEST(EntryPoints, VersionAndMenuStatus) {
    EXPECT_EQ(FinaleExtensionVersion(0), 0x5000005);
    EXPECT_EQ(FinaleExtensionGetMenuStatus(7), 1);
}

TEST(EntryPoints, EnumerateFillsTheOneEntry) {
    // the low half of the index counts, with its sign: 0x10000 is index 0, 0x1FFFF index -1,
    // -65535 index 1
    for (int32_t index : {0, -1, -32768, 0x10000, 0x1FFFF}) {
        SCOPED_TRACE(index);
        ExtensionEntry entry = untouchedEntry();
        EXPECT_EQ(FinaleExtensionEnumerate(0, index, &entry), 1);
        bool zeroFilled;
        EXPECT_EQ(fieldText(entry.menuText, zeroFilled), "Orvane &Lumbrel [v 1.02a]...");
        EXPECT_TRUE(zeroFilled);
        EXPECT_EQ(fieldText(entry.name, zeroFilled), "Lumbrel Plug-in");
        EXPECT_TRUE(zeroFilled);
        EXPECT_EQ(fieldText(entry.shortName, zeroFilled), "Lumbrel");
        EXPECT_TRUE(zeroFilled);
        EXPECT_EQ(entry.words[0], 0);
        EXPECT_EQ(entry.words[1], 0);
    }
    for (int32_t index : {1, 2, 32767, 0x10001, -65535}) {
        SCOPED_TRACE(index);
        ExtensionEntry entry = untouchedEntry();
        EXPECT_EQ(FinaleExtensionEnumerate(0, index, &entry), 0);
        EXPECT_TRUE(isUntouched(entry));
    }
}

TEST_F(EntryPointsTest, CheckStaffSystemsProbesTheFirstGlobalEntry) {
    EXPECT_EQ(checkStaffSystems(), 0);
    addList(5, {1});
    addEntry(0, 1, 1, 0);
    EXPECT_EQ(checkStaffSystems(), 0) << "only the entry (0, 0) counts";
    session.behaviour.nextLoads = true;
    EXPECT_EQ(checkStaffSystems(), 0) << "nor does (0, 1), which the host answers in its place";
    addEntry(0, 0, 1, 0);
    EXPECT_NE(checkStaffSystems(), 0);
    EXPECT_EQ(callsOf(serviceLoadEData), 4);
}

TEST_F(EntryPointsTest, PrepareInvocation) {
    // systems 1..4 hold measures 1-4, 5-8, 9-12, 13-16; system 2 is optimized
    for (int16_t n = 1; n <= 4; ++n)
        addSystem(n, static_cast<int16_t>(4 * n - 3), static_cast<int16_t>(4 * n + 1), n == 2);
    addList(-34, {1}); // staff set #3

    SCOPED_TRACE("no region: every system");
    pluginState.firstSystem = 3;
    pluginState.hasSelection = 1;
    prepareInvocation(nullptr);
    EXPECT_EQ(pluginState.systemCount, 4);
    EXPECT_EQ(pluginState.hasOptimizedSystems, 1);
    EXPECT_EQ(pluginState.hasNonOptimizedSystems, 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pluginState.staffSetExists[i] != 0, i == 2) << "staff set " << i + 1;
    EXPECT_EQ(pluginState.hasSelection, 0);
    EXPECT_EQ(pluginState.firstSystem, 1);
    EXPECT_EQ(pluginState.lastSystem, 4);

    SCOPED_TRACE("a region from measure 6 to 10: systems 2 and 3");
    SelectionRegion region{};
    region.firstMeasure = 6;
    region.lastMeasure = 10;
    prepareInvocation(&region);
    EXPECT_EQ(pluginState.hasSelection, 1);
    EXPECT_EQ(pluginState.firstSystem, 2);
    EXPECT_EQ(pluginState.lastSystem, 3);

    SCOPED_TRACE("a region whose first measure no system holds keeps the first system");
    region.firstMeasure = 40;
    region.lastMeasure = 50;
    prepareInvocation(&region);
    EXPECT_EQ(pluginState.firstSystem, 2);
    EXPECT_EQ(pluginState.lastSystem, 4);
}

TEST_F(EntryPointsTest, InvokeWithoutStaffSystemsShowsOnlyTheError) {
    addSystem(1, 1, 5, true); // a system, but no global staff list
    pluginState.systemCount = 9;
    pluginState.firstSystem = 4;
    EXPECT_EQ(FinaleExtensionInvoke(hostWindowHandle(), 0, nullptr, 0), 0);
    ASSERT_EQ(session.desktop.messages.size(), 1u);
    EXPECT_EQ(session.desktop.messages[0].owner, "host");
    EXPECT_EQ(session.desktop.messages[0].caption, "Orvane Lumbrel Error");
    EXPECT_EQ(session.desktop.messages[0].text, "There are no staff systems in the current file.");
    EXPECT_EQ(session.desktop.messages[0].style, 0x10u);
    EXPECT_EQ(callsOf(serviceDialog), 0);
    EXPECT_EQ(callsOf(serviceLoadEData), 1);
    EXPECT_EQ(pluginState.systemCount, 9);
    EXPECT_EQ(pluginState.firstSystem, 4);
}

TEST_F(EntryPointsTest, InvokeReturnsOneOnceTheDialogHasEnded) {
    addList(0, {1, 2});
    addSystem(1, 1, 5, false);
    addSystem(2, 5, 9, false);
    SelectionRegion region{};
    region.firstMeasure = 6;
    region.lastMeasure = 6;
    int opened = 0;
    session.desktop.onOpened = [&](HWND window) {
        HeadlessDialog& dialog = *window->dialog;
        ++opened;
        EXPECT_EQ(dialogValues.dialogState, &pluginState);
        EXPECT_EQ(dialogValues.invokeRegion, &region);
        EXPECT_EQ(dialog.controls[findControlById(dialog, IDC_INSTRUMENT_LIST)].items.size(), 2u);
        userClick(dialog, findControlById(dialog, IDCANCEL));
    };
    EXPECT_EQ(FinaleExtensionInvoke(hostWindowHandle(), 0, &region, 0), 1);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(callsOf(serviceDialog), 1);
    EXPECT_EQ(callsOf(serviceEndDialog), 1);
    EXPECT_TRUE(session.desktop.messages.empty());
    EXPECT_EQ(pluginState.firstSystem, 2);
    EXPECT_EQ(pluginState.lastSystem, 2);
    EXPECT_EQ(pluginState.scope, 2) << "a region in the global staff list";
}

} // namespace
