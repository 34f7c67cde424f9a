// One whole life of the plug-in driven by the input: the score's records (any tags, sizes and
// bytes, around a score of systems, staves and staff lists), the saved settings (any bytes,
// length and type), the host's behaviour and its answers call by call (keys rewritten, loads
// that fail or lie about their size, failing saves, allocations and registry calls, odd answers
// of FX_SlotToInst, FX_InstToSlot, FX_ParseCaretCommand and the dialog services), the selection
// regions and the user's actions on the headless dialog. Every run must keep the properties of
// checks/run_properties.h; a breach is a finding.
#include "checks/checked_life.h"
#include "score/records.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr uint32_t tags[] = {
    0x534F5353, // "SOSS"
    0x534F4975, // "SOIu"
    0x534F4953, // "SOIS"
    0x534F5458, // "SOTX"
    0x7478626C, // "txbl"
    0x70666770, // "pfgp"
};
constexpr uint32_t tagSystem = tags[0], tagEntry = tags[1], tagStaff = tags[2], tagText = tags[3],
                   tagBlock = tags[4], tagPreferences = tags[5];

const char* const buttons[] = {"IDOK",
                               "IDCANCEL",
                               "IDC_ABOVE",
                               "IDC_BELOW",
                               "IDC_ALL",
                               "IDC_NONE",
                               "IDC_UPDATE_LAYOUT",
                               "IDC_SMART_FILTER",
                               "IDC_ALL_SYSTEMS",
                               "IDC_SELECTED_SYSTEMS",
                               "IDC_PUSH_GROUP"};
const char* const edits[] = {"IDC_DISTANCE", "IDC_FIRST_SYSTEM", "IDC_LAST_SYSTEM"};
const char* const spins[] = {"IDC_DISTANCE_SPIN", "IDC_SCOPE_SPIN", "IDC_FIRST_SYSTEM_SPIN",
                             "IDC_LAST_SYSTEM_SPIN"};

template <typename T, size_t count> const T& pick(FuzzedDataProvider& in, const T (&items)[count]) {
    return items[in.ConsumeIntegralInRange<size_t>(0, count - 1)];
}

// A record's size: mostly its own, sometimes shorter or longer.
size_t recordSize(FuzzedDataProvider& in, size_t usual) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return in.ConsumeIntegralInRange<size_t>(0, usual);
    case 1:
        return in.ConsumeIntegralInRange<size_t>(usual, usual + 40);
    default:
        return usual;
    }
}

void putRecordOf(RecordStore& store, uint32_t tag, int16_t number, uint16_t increment,
                 std::vector<uint8_t> bytes) {
    putRecord(store, RecordId{tag, number, increment}, std::move(bytes));
}

// A score around systems, staves and staff lists, then raw records of any kind over it.
RecordStore makeScore(FuzzedDataProvider& in) {
    RecordStore store;
    int systems = in.ConsumeIntegralInRange<int>(0, 6);
    int16_t measure = in.ConsumeIntegralInRange<int16_t>(-3, 3);
    for (int n = 1; n <= systems; ++n) {
        std::vector<uint8_t> bytes(20, 0);
        int16_t length = in.ConsumeIntegralInRange<int16_t>(0, 5);
        writeInt16(bytes.data() + 8, measure);
        writeInt16(bytes.data() + 10, static_cast<int16_t>(measure + length));
        writeUInt16(bytes.data() + 18, in.ConsumeBool() ? 0x4000 : 0);
        bytes.resize(recordSize(in, 20), 0);
        measure = static_cast<int16_t>(measure + length);
        putRecordOf(store, tagSystem, static_cast<int16_t>(n), 0, bytes);
    }
    int staves = in.ConsumeIntegralInRange<int>(0, 6);
    for (int s = 1; s <= staves; ++s) {
        std::vector<uint8_t> staff(66, 0);
        writeUInt16(staff.data() + 22, in.ConsumeBool() ? 0x0004 : 0);
        int16_t text = static_cast<int16_t>(in.ConsumeBool() ? s : in.ConsumeIntegral<int8_t>());
        writeInt16(staff.data() + 30, text);
        staff.resize(recordSize(in, 66), 0);
        putRecordOf(store, tagStaff, static_cast<int16_t>(s), 0, staff);
        if (in.ConsumeBool()) {
            std::vector<uint8_t> textRecord(48, 0);
            writeInt16(textRecord.data(), static_cast<int16_t>(in.ConsumeBool() ? s : 0));
            putRecordOf(store, tagText, static_cast<int16_t>(s), 0, textRecord);
            std::string name = in.ConsumeRandomLengthString(140);
            std::vector<uint8_t> block(name.begin(), name.end());
            if (in.ConsumeBool())
                block.push_back(0);
            putRecordOf(store, tagBlock, static_cast<int16_t>(s), 0, block);
        }
    }
    int lists = in.ConsumeIntegralInRange<int>(0, 6);
    for (int l = 0; l < lists; ++l) {
        int16_t number = l == 0 ? 0
                         : in.ConsumeBool()
                             ? static_cast<int16_t>(in.ConsumeIntegralInRange<int>(1, 7))
                             : static_cast<int16_t>(in.ConsumeIntegralInRange<int>(-37, -28));
        int entries = in.ConsumeIntegralInRange<int>(0, 7);
        for (int k = 0; k < entries; ++k) {
            std::vector<uint8_t> entry(24, 0);
            writeUInt16(entry.data(),
                        static_cast<uint16_t>(in.ConsumeIntegralInRange<int>(0, staves + 1)));
            writeInt32(entry.data() + 8, in.ConsumeIntegral<int32_t>());
            entry[20] = in.ConsumeIntegral<uint8_t>();
            entry.resize(recordSize(in, 24), 0);
            putRecordOf(store, tagEntry, number, static_cast<uint16_t>(k), entry);
        }
    }
    if (in.ConsumeBool()) {
        std::vector<uint8_t> preferences(61, 0);
        writeInt16(preferences.data() + 30,
                   static_cast<int16_t>(in.ConsumeIntegralInRange<int>(-1, 8)));
        preferences.resize(recordSize(in, 61), 0);
        putRecordOf(store, tagPreferences, 0, 0, preferences);
    }
    int raw = in.ConsumeIntegralInRange<int>(0, 3);
    for (int r = 0; r < raw; ++r) {
        uint32_t tag = in.ConsumeBool() ? pick(in, tags) : in.ConsumeIntegral<uint32_t>();
        int16_t number = in.ConsumeIntegralInRange<int16_t>(-40, 10);
        uint16_t increment = in.ConsumeIntegralInRange<uint16_t>(0, 8);
        std::string bytes = in.ConsumeRandomLengthString(80);
        putRecordOf(store, tag, number, increment,
                    std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    return store;
}

ScenarioAction makeAction(FuzzedDataProvider& in) {
    ScenarioAction action;
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: {
        action.kind = ActionKind::select;
        int count = in.ConsumeIntegralInRange<int>(0, 4);
        for (int i = 0; i < count; ++i)
            action.positions.push_back(in.ConsumeIntegralInRange<int>(0, 9));
        break;
    }
    case 1:
        action.kind = ActionKind::click;
        action.control = pick(in, buttons);
        break;
    case 2: {
        action.kind = ActionKind::type;
        action.control = pick(in, edits);
        static const char alphabet[] = "0123456789-.+ e5x";
        int length = in.ConsumeIntegralInRange<int>(0, 10);
        for (int i = 0; i < length; ++i)
            action.text += alphabet[in.ConsumeIntegralInRange<size_t>(0, sizeof alphabet - 2)];
        break;
    }
    case 3:
        action.kind = ActionKind::choose;
        action.entry = in.ConsumeIntegralInRange<int>(1, 11);
        break;
    default:
        action.kind = ActionKind::spin;
        action.control = pick(in, spins);
        action.up = in.ConsumeBool();
        break;
    }
    return action;
}

Scenario makeScenario(FuzzedDataProvider& in) {
    Scenario scenario;
    scenario.score = makeScore(in);
    scenario.hasSettings = in.ConsumeBool();
    if (scenario.hasSettings) {
        scenario.settingsType = in.ConsumeBool() ? 3 : in.ConsumeIntegral<uint32_t>();
        size_t length = in.ConsumeBool() ? 46 : in.ConsumeIntegralInRange<size_t>(0, 60);
        scenario.settings = in.ConsumeBytes<uint8_t>(length);
    }
    uint8_t behaviour = in.ConsumeIntegral<uint8_t>();
    scenario.host.nextLoads = (behaviour & 0x01) != 0;
    scenario.host.failingSaves = (behaviour & 0x0E) == 0x02;
    scenario.host.failingRegistry = (behaviour & 0x30) == 0x10;
    scenario.host.failingAllocations = (behaviour & 0xC0) == 0x40;
    scenario.host.failingDialog = behaviour == 0xFF;
    int runs = in.ConsumeIntegralInRange<int>(1, 3);
    for (int r = 0; r < runs; ++r) {
        ScenarioRun run;
        run.hasRegion = in.ConsumeBool();
        if (run.hasRegion) {
            run.region.staffList =
                static_cast<int16_t>(in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-37, 8)
                                                      : in.ConsumeIntegral<int16_t>());
            run.region.firstSlot = in.ConsumeIntegralInRange<int16_t>(-1, 8);
            run.region.lastSlot = in.ConsumeIntegralInRange<int16_t>(-1, 8);
            run.region.firstMeasure = in.ConsumeIntegralInRange<int16_t>(-4, 30);
            run.region.lastMeasure = in.ConsumeIntegralInRange<int16_t>(-4, 30);
        }
        int actions = in.ConsumeIntegralInRange<int>(0, 12);
        for (int a = 0; a < actions; ++a)
            run.actions.push_back(makeAction(in));
        int answers = in.ConsumeIntegralInRange<int>(0, 2);
        for (int a = 0; a < answers; ++a)
            run.answers.push_back(in.ConsumeBool() ? "yes" : "no");
        scenario.runs.push_back(std::move(run));
    }
    return scenario;
}

// A key of any record of `tag` in the store, or a made-up one.
RecordId someKey(FuzzedDataProvider& in, const RecordStore& store, uint32_t tag) {
    std::vector<RecordId> same;
    for (const StoredRecord& record : recordsInOrder(store)) {
        RecordId id = unpackRecordId(record.key);
        if (id.tag == tag)
            same.push_back(id);
    }
    if (same.empty() || in.ConsumeBool())
        return RecordId{tag, in.ConsumeIntegral<int16_t>(), in.ConsumeIntegral<uint16_t>()};
    return same[in.ConsumeIntegralInRange<size_t>(0, same.size() - 1)];
}

// The host's odd answers, each decided by the input as the call comes; once the input is used
// up every answer is the kind one.
void answerOddly(HostSession& session, FuzzedDataProvider& in) {
    session.answers.load = [&in, &session](uint32_t tag, RecordKey& key, uint8_t* buffer,
                                           uint32_t asked, uint32_t& size, int16_t answer) {
        switch (in.ConsumeIntegralInRange<int>(0, 15)) {
        case 10:
            return int16_t{0};
        case 11: { // another record, its key written back
            RecordId other = someKey(in, session.store, tag);
            key.number = other.number;
            key.increment = other.increment;
            const std::vector<uint8_t>* record = findRecord(session.store, other);
            if (record == nullptr)
                return int16_t{0};
            size = static_cast<uint32_t>(record->size());
            if (buffer != nullptr) {
                size = std::min<uint32_t>(size, asked);
                std::copy(record->begin(), record->begin() + size, buffer);
            }
            return int16_t{1};
        }
        case 12: // a size that is not the record's
            size = in.ConsumeBool() ? in.ConsumeIntegral<uint32_t>()
                                    : in.ConsumeIntegralInRange<uint32_t>(0, asked + 8);
            return answer;
        case 13: // found, with nothing written
            return static_cast<int16_t>(in.ConsumeIntegralInRange<int>(1, 0x7FFF));
        case 14: // a key written back that is not the record's
            key.number = in.ConsumeIntegral<int16_t>();
            key.increment = in.ConsumeIntegral<uint16_t>();
            return answer;
        default:
            return answer;
        }
    };
    session.answers.saveFails = [&in](uint32_t) {
        return in.ConsumeIntegralInRange<int>(0, 7) == 7;
    };
    session.answers.value = [&in](HostService, int32_t answer) {
        if (in.ConsumeIntegralInRange<int>(0, 11) != 11)
            return answer;
        return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-2, 12)
                                : in.ConsumeIntegral<int32_t>();
    };
    session.answers.caret = [&in](const char* text, const char* answer) {
        switch (in.ConsumeIntegralInRange<int>(0, 11)) {
        case 9:
            return static_cast<const char*>(nullptr);
        case 10:
            return text;
        case 11: // anywhere, inside the text or not; never read beyond it by the plug-in
            return reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(text) +
                                                 in.ConsumeIntegralInRange<intptr_t>(-4, 200));
        default:
            return answer;
        }
    };
    session.answers.unitValue = [&in](double& value, bool readable) {
        switch (in.ConsumeIntegralInRange<int>(0, 13)) {
        case 9:
            return false;
        case 10:
            value = std::numeric_limits<double>::quiet_NaN();
            return true;
        case 11:
            value = in.ConsumeBool() ? std::numeric_limits<double>::infinity()
                                     : -std::numeric_limits<double>::infinity();
            return true;
        case 12:
            value = in.ConsumeFloatingPoint<double>();
            return true;
        case 13:
            value = in.ConsumeFloatingPointInRange<double>(-600, 600);
            return true;
        default:
            return readable;
        }
    };
    session.heap.fails = [&in](size_t) { return in.ConsumeIntegralInRange<int>(0, 15) == 15; };
    session.registry.fails = [&in](const char*) {
        return in.ConsumeIntegralInRange<int>(0, 15) == 15;
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Scenario scenario = makeScenario(in);
    bool odd = in.ConsumeBool();
    CheckedLife life = playCheckedLife(scenario, [&](HostSession& session) {
        if (odd)
            answerOddly(session, in);
    });
    if (!life.breaches.empty()) {
        for (const std::string& breach : life.breaches)
            std::fprintf(stderr, "breach: %s\n", breach.c_str());
        std::abort();
    }
    return 0;
}
