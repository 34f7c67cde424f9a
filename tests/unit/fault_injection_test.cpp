// Faults injected into a whole life of the plug-in, one at a time: each allocation it makes of
// its own, each registry call, and the dialog itself. Every life keeps the properties of a run
// (no leak, only the plug-in's own message boxes, saves as loaded) and ends as defined.
#include "checks/checked_life.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using nlohmann::json;

// Three named staves in an optimized system; the user selects the first and third, pushes them
// by 24 EVPUs with the smart filter off, and confirms.
Scenario pushScenario() {
    Scenario scenario;
    std::string error;
    const char* text = R"({
      "score": {
        "systems": [{"firstMeasure": 1, "endMeasure": 5, "optimized": true}],
        "staves": [{"number": 1, "name": "Flute"}, {"number": 2, "name": "^fontTxt(Arial,4)Oboe"},
                   {"number": 3, "name": "Horn"}],
        "staffLists": [
          {"number": 0, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -300},
                                    {"staff": 3, "position": -600}]},
          {"number": 1, "entries": [{"staff": 1, "position": 0}, {"staff": 2, "position": -280},
                                    {"staff": 3, "position": -560}]}]
      },
      "settings": {"hex": "0c00"},
      "runs": [{"actions": [{"select": [0, 2]}, {"type": ["IDC_DISTANCE", "24"]},
                            {"click": "IDC_SMART_FILTER"}, {"click": "IDOK"}]}]
    })";
    EXPECT_TRUE(readScenarioText(text, "push.json", scenario, error)) << error;
    return scenario;
}

json listItems(const InvocationPlay& play) {
    return play.opened.at("controls").at(1).at("items");
}

TEST(FaultInjectionTest, EachAllocationFailingInTurn) {
    const Scenario scenario = pushScenario();
    const json names = {"Flute", "Oboe", "Horn"};
    long k = 1;
    for (;; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k) + " fails");
        long made = 0;
        CheckedLife life = playCheckedLife(
            scenario,
            [&](HostSession& session) {
                session.heap.failAt = k;
                session.heap.fails = [&made](size_t) {
                    ++made;
                    return false;
                };
            },
            true);
        EXPECT_EQ(life.breaches, std::vector<std::string>{});
        ASSERT_EQ(life.plays.size(), 1u);
        const InvocationPlay& play = life.plays[0];
        if (made < k) {
            // the life made fewer allocations: nothing failed, everything went through
            EXPECT_EQ(listItems(play), names);
            EXPECT_EQ(play.closedBy, "ok");
            break;
        }
        EXPECT_TRUE(play.messages.empty()) << "an allocation failure is never reported";
        if (k <= 3) {
            // the name of staff k could not be read: its fallback text, the others' names
            json expected = names;
            expected[static_cast<size_t>(k - 1)] = "[Staff " + std::to_string(k) + "]";
            EXPECT_EQ(listItems(play), expected);
            EXPECT_EQ(play.closedBy, "ok");
        } else {
            // the selection array on OK: nothing stored, the dialog open until the host's Escape
            EXPECT_EQ(listItems(play), names);
            EXPECT_EQ(play.closedBy, "end");
            EXPECT_TRUE(life.score == scenario.score);
        }
    }
    EXPECT_EQ(k, 5) << "three names and one selection";
}

// The plug-in's value in the registry after the life, or null.
json storedSettings(const CheckedLife& life) {
    const RegistryValue* value =
        findRegistryValue(life.registry, pluginSettingsKey, pluginSettingsValue);
    if (value == nullptr)
        return nullptr;
    return value->data;
}

TEST(FaultInjectionTest, EachRegistryCallFailingOnItsOwn) {
    const Scenario scenario = pushScenario();
    const json before = std::vector<uint8_t>{0x0c, 0x00};
    struct Case {
        const char* call;
        bool readsTheValue; // the dialog opens with distance 12 (else the default 0)
        bool writesTheValue;
    } cases[] = {
        {"RegOpenKeyExA", false, true},   {"RegQueryValueExA", false, true},
        {"RegCreateKeyExA", true, false}, {"RegSetValueExA", true, false},
        {"RegCloseKey", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        CheckedLife life = playCheckedLife(
            scenario, [&](HostSession& session) { session.registry.failingCalls = {c.call}; },
            true);
        EXPECT_EQ(life.breaches, std::vector<std::string>{});
        ASSERT_EQ(life.plays.size(), 1u);
        EXPECT_EQ(life.plays[0].opened.at("controls").at(7).at("text"),
                  c.readsTheValue ? "12" : "0");
        EXPECT_EQ(life.plays[0].closedBy, "ok");
        json after = storedSettings(life);
        if (c.writesTheValue) {
            ASSERT_TRUE(after.is_array());
            EXPECT_EQ(after.size(), 46u);
            EXPECT_EQ(after[0], 24) << "the distance confirmed";
        } else {
            EXPECT_EQ(after, before) << "a failed save keeps the value there was";
        }
        if (std::string(c.call) != "RegCloseKey") {
            EXPECT_TRUE(life.registry.openKeys.empty()) << "every key opened is closed";
        }
    }
}

TEST(FaultInjectionTest, DialogThatCannotBeShown) {
    Scenario scenario = pushScenario();
    CheckedLife life = playCheckedLife(
        scenario,
        [](HostSession& session) {
            session.answers.value = [](HostService service, int32_t answer) {
                return service == serviceDialog ? 0 : answer;
            };
        },
        true);
    EXPECT_EQ(life.breaches, std::vector<std::string>{});
    ASSERT_EQ(life.plays.size(), 1u);
    EXPECT_EQ(life.plays[0].result, 1);
    EXPECT_TRUE(life.plays[0].opened.is_null());
    EXPECT_TRUE(life.plays[0].messages.empty());
    EXPECT_TRUE(life.score == scenario.score);
    json after = storedSettings(life);
    ASSERT_TRUE(after.is_array());
    EXPECT_EQ(after.size(), 46u);
    EXPECT_EQ(after[0], 12) << "the value read at init, saved back";
}

} // namespace
