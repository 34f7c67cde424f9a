// The properties every run keeps: the checker finds each kind of breach in a made-up run, and
// every scenario of the repository, played on the plug-in with the host's log kept, keeps them.
#include "checks/checked_life.h"
#include "checks/run_properties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t tagEntry = 0x534F4975;  // "SOIu"
constexpr uint32_t tagSystem = 0x534F5353; // "SOSS"

ServiceEvent load(uint32_t tag, int16_t number, uint16_t increment, std::vector<uint8_t> bytes) {
    ServiceEvent event;
    event.service = serviceLoadEData;
    event.asked = event.left = RecordId{tag, number, increment};
    event.sizeAsked = event.sizeLeft = static_cast<uint32_t>(bytes.size());
    event.answer = 1;
    event.bytes = std::move(bytes);
    return event;
}

ServiceEvent save(int16_t number, uint16_t increment, std::vector<uint8_t> bytes) {
    ServiceEvent event;
    event.service = serviceSaveEData;
    event.asked = RecordId{tagEntry, number, increment};
    event.sizeAsked = static_cast<uint32_t>(bytes.size());
    event.answer = 1;
    event.bytes = std::move(bytes);
    return event;
}

ServiceEvent service(HostService which, int32_t answer = 1) {
    ServiceEvent event;
    event.service = which;
    event.answer = answer;
    return event;
}

// A staff list entry of `staff` at `position`, 24 bytes, byte 20 a mark to carry through.
std::vector<uint8_t> entry(uint16_t staff, int32_t position) {
    std::vector<uint8_t> bytes(24, 0);
    bytes[0] = static_cast<uint8_t>(staff);
    for (int i = 0; i < 4; ++i)
        bytes[8 + i] = static_cast<uint8_t>(static_cast<uint32_t>(position) >> (8 * i));
    bytes[20] = 0x5a;
    return bytes;
}

std::vector<uint8_t> system(bool optimized) {
    std::vector<uint8_t> bytes(20, 0);
    bytes[19] = optimized ? 0x40 : 0;
    return bytes;
}

// A sound push of staff 3 by +24 in system 2's list: the global list probed first, the dialog
// started, the system and the entry loaded, the entry saved, the layout updated, the dialog ended.
InvocationTrace soundPush() {
    InvocationTrace trace;
    ServiceEvent probe = load(tagEntry, 0, 0, {});
    probe.probe = true;
    trace.events = {probe,
                    service(serviceDialog),
                    load(tagEntry, 0, 1, entry(3, -100)),
                    load(tagSystem, 2, 0, system(true)),
                    load(tagEntry, 2, 0, entry(3, -100)),
                    save(2, 0, entry(3, -76)),
                    service(serviceUpdateLayout),
                    service(serviceEndDialog)};
    trace.result = 1;
    trace.choices = ConfirmedChoices{24, 1, 1, 2, 1};
    return trace;
}

bool mentions(const std::vector<std::string>& breaches, const std::string& words) {
    return std::any_of(breaches.begin(), breaches.end(), [&](const std::string& breach) {
        return breach.find(words) != std::string::npos;
    });
}

TEST(RunPropertiesTest, SoundPushKeepsThemAll) {
    EXPECT_EQ(checkInvocation(soundPush()), std::vector<std::string>{});
}

TEST(RunPropertiesTest, EachBreachOfAPushIsFound) {
    struct Case {
        const char* breach;
        void (*spoil)(InvocationTrace&);
        const char* words;
    } cases[] = {
        {"a byte beside the position changed",
         [](InvocationTrace& t) { t.events[5].bytes[20] = 0; }, "byte 20"},
        {"the position moved by another distance",
         [](InvocationTrace& t) { t.choices.distance = 12; }, "byte 8"},
        {"saved under another key than the load left",
         [](InvocationTrace& t) { t.events[5].asked.increment = 1; }, "left the key"},
        {"saved with more bytes than loaded",
         [](InvocationTrace& t) { t.events[5].sizeAsked = 30; }, "30 bytes"},
        {"saved into a system outside the range",
         [](InvocationTrace& t) { t.choices.lastSystem = 1; }, "outside the optimized systems"},
        {"saved into a system the host called not optimized",
         [](InvocationTrace& t) { t.events[3].bytes = system(false); },
         "outside the optimized systems"},
        {"saved into a list of another scope", [](InvocationTrace& t) { t.choices.scope = 3; },
         "scope 3"},
        {"saved twice for one selected entry",
         [](InvocationTrace& t) { t.events.insert(t.events.begin() + 5, t.events[5]); },
         "more saves in staff list 2"},
        {"saved with no distance", [](InvocationTrace& t) { t.choices.distance = 0; },
         "distance of 0"},
        {"the layout updated before the save",
         [](InvocationTrace& t) { std::swap(t.events[5], t.events[6]); }, "after the layout"},
        {"saved after the dialog ended",
         [](InvocationTrace& t) { std::swap(t.events[5], t.events[7]); }, "no dialog is open"},
        {"a record of another tag saved",
         [](InvocationTrace& t) { t.events[5].asked.tag = tagSystem; }, "only staff list"},
        {"a message of no one's",
         [](InvocationTrace& t) {
             t.messages.push_back({"dialog", "Lumbrel", "Something went wrong.", 0x10, "ok"});
         },
         "none of the plug-in's"},
        {"a known message with another owner",
         [](InvocationTrace& t) {
             t.messages.push_back(
                 {"host", "Invalid range", "Staff system range is invalid.", 0x10, "ok"});
         },
         "none of the plug-in's"},
        {"result 0 with staff systems", [](InvocationTrace& t) { t.result = 0; }, "result 0"},
        {"no staff systems, yet result 1",
         [](InvocationTrace& t) {
             t.events[0].answer = 0;
             t.events.resize(1);
         },
         "result 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.breach);
        InvocationTrace trace = soundPush();
        c.spoil(trace);
        std::vector<std::string> breaches = checkInvocation(trace);
        EXPECT_TRUE(mentions(breaches, c.words))
            << "expected a breach mentioning \"" << c.words << "\", found "
            << testing::PrintToString(breaches);
    }
}

TEST(RunPropertiesTest, ScoreWithoutStaffSystemsIsReportedOnceByTheHostWindowsBox) {
    InvocationTrace trace;
    ServiceEvent probe = load(tagEntry, 0, 0, {});
    probe.probe = true;
    probe.answer = 0;
    trace.events = {probe};
    trace.result = 0;
    trace.messages = {{"host", "Orvane Lumbrel Error",
                       "There are no staff systems in the current file.", 0x10, "ok"}};
    EXPECT_EQ(checkInvocation(trace), std::vector<std::string>{});
    SCOPED_TRACE("the host answered with another list's entry: still none");
    trace.events[0].answer = 1;
    trace.events[0].left.number = 1;
    EXPECT_EQ(checkInvocation(trace), std::vector<std::string>{});
}

TEST(RunPropertiesTest, SettingsWritesAreTheImageAlone) {
    RegistryWrite sound{"software\\orvaneplugins\\orvanelumbrel101", "userdialog", 3,
                        std::vector<uint8_t>(46, 0)};
    EXPECT_TRUE(checkSettingsWrites({sound}).empty());
    RegistryWrite longer = sound, address = sound, elsewhere = sound, text = sound;
    longer.data.resize(48);
    address.data[41] = 0x12;
    elsewhere.keyPath = "software\\orvaneplugins";
    text.type = 1;
    EXPECT_TRUE(mentions(checkSettingsWrites({longer}), "48 bytes"));
    EXPECT_TRUE(mentions(checkSettingsWrites({address}), "40 to 43"));
    EXPECT_TRUE(mentions(checkSettingsWrites({elsewhere}), "not the plug-in's"));
    EXPECT_TRUE(mentions(checkSettingsWrites({text}), "type 1"));
}

TEST(RunPropertiesTest, HeapLeftWithABlockIsALeak) {
    PluginHeap heap;
    EXPECT_TRUE(checkHeapAfterLife(heap).empty());
    int block = 0;
    heap.blocks[&block].size = 12;
    heap.misuses.push_back("HeapFree of a null block");
    std::vector<std::string> breaches = checkHeapAfterLife(heap);
    EXPECT_TRUE(mentions(breaches, "12 bytes"));
    EXPECT_TRUE(mentions(breaches, "null block"));
}

// Every scenario the repository holds, under its own host and under each other answer the host
// contract allows.
std::vector<fs::path> scenarioFiles() {
    std::vector<fs::path> files = {"examples/scenario.json"};
    for (const char* folder : {"tests/scenarios", "tests/win32/scenarios"})
        for (const auto& file : fs::directory_iterator(folder)) {
            std::string name = file.path().filename().string();
            if (file.path().extension() == ".json" &&
                name.find(".expect.json") == std::string::npos)
                files.push_back(file.path());
        }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(RunPropertiesTest, EveryScenarioKeepsThemUnderEveryHost) {
    const struct {
        const char* name;
        void (*set)(HostBehaviour&);
    } hosts[] = {
        {"as the scenario says", [](HostBehaviour&) {}},
        {"next loads", [](HostBehaviour& h) { h.nextLoads = true; }},
        {"failing saves", [](HostBehaviour& h) { h.failingSaves = true; }},
        {"failing registry", [](HostBehaviour& h) { h.failingRegistry = true; }},
        {"failing allocations", [](HostBehaviour& h) { h.failingAllocations = true; }},
        {"failing dialog", [](HostBehaviour& h) { h.failingDialog = true; }},
    };
    std::vector<fs::path> files = scenarioFiles();
    ASSERT_GT(files.size(), 20u);
    for (const fs::path& file : files) {
        Scenario scenario;
        std::string error;
        ASSERT_TRUE(readScenarioFile(file.string(), scenario, error)) << error;
        for (const auto& host : hosts) {
            SCOPED_TRACE(file.string() + ", " + host.name);
            Scenario played = scenario;
            host.set(played.host);
            CheckedLife life = playCheckedLife(played);
            EXPECT_EQ(life.breaches, std::vector<std::string>{});
            EXPECT_EQ(life.plays.size(), scenario.runs.size());
        }
    }
}

} // namespace
