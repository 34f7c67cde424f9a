#include "checks/run_properties.h"

#include "store/score_layout.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

// One of the plug-in's message boxes, as the user sees it.
struct KnownMessage {
    const char* caption;
    const char* text;
    uint32_t style;
    const char* owner;
};

const KnownMessage noStaffSystems = {
    "Orvane Lumbrel Error", "There are no staff systems in the current file.", 0x10, "host"};
const KnownMessage knownMessages[] = {
    noStaffSystems,
    {"No instruments to process", "There are no instruments selected.", 0x10, "dialog"},
    {"Invalid distance", "Distance must be between -500 and 500 EVPUs.", 0x10, "dialog"},
    {"Invalid distance", "The distance to move is zero.", 0x10, "dialog"},
    {"Invalid range", "Staff system range is invalid.", 0x10, "dialog"},
    {"Conflicting options",
     "All instruments are selected as well as the Smart Filter option. The Smart Filter option "
     "will be disabled. Continue?",
     0x24, "dialog"},
};

bool isMessage(const MessageEvent& shown, const KnownMessage& known) {
    return shown.caption == known.caption && shown.text == known.text &&
           shown.style == known.style && shown.owner == known.owner;
}

std::string recordText(const RecordId& id) {
    return tagString(id.tag) + " (" + std::to_string(id.number) + ", " +
           std::to_string(id.increment) + ")";
}

bool sameRecord(const RecordId& a, const RecordId& b) {
    return a.tag == b.tag && a.number == b.number && a.increment == b.increment;
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The staff list that a confirmed scope other than 1 changes; false for a scope that changes
// none.
bool fixedListOfScope(int16_t scope, int16_t& list) {
    if (scope == 2) {
        list = globalStaffList;
        return true;
    }
    if (scope >= 3 && scope <= 10) {
        list = static_cast<int16_t>(scope - 39);
        return true;
    }
    return false;
}

// The checks that follow one invocation's log in order.
struct InvocationCheck {
    const InvocationTrace& trace;
    std::vector<std::string> breaches;
    std::map<uint32_t, const ServiceEvent*> lastLoad;      // by tag
    std::map<int16_t, const ServiceEvent*> lastSystemLoad; // by system number
    std::map<int16_t, int> savesPerList;
    bool dialogOpen = false;
    long layoutUpdates = 0;

    void fail(const std::string& text) { breaches.push_back(text); }

    void checkSavedBytes(const ServiceEvent& save, const ServiceEvent& load) {
        std::vector<uint8_t> expected = load.bytes;
        expected.resize(listEntryRecordSize, 0);
        int32_t position = readS32(expected, listEntryPositionOffset);
        uint32_t moved = static_cast<uint32_t>(position) +
                         static_cast<uint32_t>(static_cast<int32_t>(trace.choices.distance));
        writeS32(expected, listEntryPositionOffset, static_cast<int32_t>(moved));
        for (size_t i = 0; i < save.bytes.size(); ++i) {
            uint8_t want = i < expected.size() ? expected[i] : 0;
            if (save.bytes[i] != want) {
                fail("save of " + recordText(save.asked) + ": byte " + std::to_string(i) + " is " +
                     std::to_string(save.bytes[i]) + ", the load and the distance make it " +
                     std::to_string(want));
                return;
            }
        }
    }

    void checkScope(const ServiceEvent& save) {
        const ConfirmedChoices& choices = trace.choices;
        int16_t list = save.asked.number;
        if (choices.distance == 0) {
            fail("save of " + recordText(save.asked) + " with a distance of 0");
            return;
        }
        int16_t fixed = 0;
        if (choices.scope == 1) {
            auto system = lastSystemLoad.find(list);
            bool optimized =
                system != lastSystemLoad.end() && system->second->answer != 0 &&
                (readU16(system->second->bytes, systemFlagsOffset) & systemOptimizedFlag) != 0;
            if (list < choices.firstSystem || list > choices.lastSystem || !optimized)
                fail("save of " + recordText(save.asked) +
                     " outside the optimized systems of the range " +
                     std::to_string(choices.firstSystem) + " to " +
                     std::to_string(choices.lastSystem));
        } else if (!fixedListOfScope(choices.scope, fixed) || list != fixed) {
            fail("save of " + recordText(save.asked) + " outside the staff list of scope " +
                 std::to_string(choices.scope));
        }
        if (++savesPerList[list] > std::max<int>(choices.selectedCount, 0))
            fail("more saves in staff list " + std::to_string(list) + " than the " +
                 std::to_string(choices.selectedCount) + " selected entries");
    }

    void checkSave(const ServiceEvent& save) {
        std::string name = "save of " + recordText(save.asked);
        if (save.asked.tag != tagStaffListEntry)
            fail(name + ": only staff list entries are ever written");
        if (!dialogOpen)
            fail(name + " while no dialog is open");
        if (layoutUpdates > 0)
            fail(name + " after the layout update");
        auto found = lastLoad.find(save.asked.tag);
        if (found == lastLoad.end() || found->second->answer == 0) {
            fail(name + ": no record of that tag was loaded before it");
            return;
        }
        const ServiceEvent& load = *found->second;
        if (!sameRecord(save.asked, load.left))
            fail(name + ": the last load of its tag left the key " + recordText(load.left));
        uint32_t loaded = std::min(load.sizeLeft, load.sizeAsked);
        if (save.sizeAsked != loaded)
            fail(name + ": " + std::to_string(save.sizeAsked) + " bytes, the load left " +
                 std::to_string(loaded));
        checkSavedBytes(save, load);
        checkScope(save);
    }

    void follow(const ServiceEvent& event) {
        switch (event.service) {
        case serviceLoadEData:
            if (!event.probe) {
                lastLoad[event.asked.tag] = &event;
                if (event.asked.tag == tagStaffSystem && sameRecord(event.asked, event.left))
                    lastSystemLoad[event.asked.number] = &event;
            }
            break;
        case serviceSaveEData:
            checkSave(event);
            break;
        case serviceUpdateLayout:
            if (++layoutUpdates > 1)
                fail("more than one layout update in an invocation");
            break;
        case serviceDialog:
            dialogOpen = event.answer != 0;
            break;
        case serviceEndDialog:
            dialogOpen = false;
            break;
        default:
            break;
        }
    }

    // The result and the "no staff systems" box follow from the first probe of the global list.
    void checkResult() {
        const ServiceEvent* first = nullptr;
        for (const ServiceEvent& event : trace.events)
            if (event.service == serviceLoadEData) {
                first = &event;
                break;
            }
        bool hasFirstEntry = first != nullptr && first->asked.tag == tagStaffListEntry &&
                             first->asked.number == globalStaffList &&
                             first->asked.increment == 0 && first->answer != 0 &&
                             sameRecord(first->left, first->asked);
        bool reported =
            std::any_of(trace.messages.begin(), trace.messages.end(),
                        [](const MessageEvent& m) { return isMessage(m, noStaffSystems); });
        bool dialog = std::any_of(trace.events.begin(), trace.events.end(),
                                  [](const ServiceEvent& e) { return e.service == serviceDialog; });
        if (hasFirstEntry) {
            if (trace.result != 1)
                fail("result " + std::to_string(trace.result) + " for a score with staff systems");
            if (reported)
                fail("\"no staff systems\" reported for a score with a first global entry");
        } else {
            if (trace.result != 0)
                fail("result " + std::to_string(trace.result) +
                     " for a score without staff systems");
            if (!reported || trace.messages.size() != 1)
                fail("a score without staff systems is reported by one \"no staff systems\" box");
            if (dialog)
                fail("a dialog started for a score without staff systems");
        }
    }

    void checkMessages() {
        for (const MessageEvent& shown : trace.messages) {
            bool known = std::any_of(std::begin(knownMessages), std::end(knownMessages),
                                     [&](const KnownMessage& m) { return isMessage(shown, m); });
            if (!known)
                fail("message box \"" + shown.caption + "\": \"" + shown.text + "\" (style " +
                     std::to_string(shown.style) + ", owner " + shown.owner +
                     ") is none of the plug-in's");
        }
    }
};

} // namespace

std::vector<std::string> checkInvocation(const InvocationTrace& trace) {
    InvocationCheck check{trace, {}, {}, {}, {}};
    check.checkResult();
    check.checkMessages();
    for (const ServiceEvent& event : trace.events)
        check.follow(event);
    return check.breaches;
}

std::vector<std::string> checkSettingsWrites(const std::vector<RegistryWrite>& writes) {
    std::vector<std::string> breaches;
    const std::string key = lowered(pluginSettingsKey);
    const std::string value = lowered(pluginSettingsValue);
    for (const RegistryWrite& write : writes) {
        std::string name = "settings written to \"" + write.keyPath + "\" \"" + write.name + "\"";
        if (write.keyPath != key || write.name != value)
            breaches.push_back(name + ": not the plug-in's own value");
        if (write.type != 3)
            breaches.push_back(name + ": type " + std::to_string(write.type) + ", not binary");
        if (write.data.size() != 46)
            breaches.push_back(name + ": " + std::to_string(write.data.size()) + " bytes, not 46");
        else if (write.data[40] != 0 || write.data[41] != 0 || write.data[42] != 0 ||
                 write.data[43] != 0)
            breaches.push_back(name + ": bytes 40 to 43 are not zero");
    }
    return breaches;
}

std::vector<std::string> checkHeapAfterLife(const PluginHeap& heap) {
    std::vector<std::string> breaches = heap.misuses;
    if (!heap.blocks.empty())
        breaches.push_back("not freed at the end of the life: " + describeHeapBlocks(heap));
    return breaches;
}
