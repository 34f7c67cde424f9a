#include "play/life.h"

#include "store/score_layout.h"

using nlohmann::json;

// The host's menu entry record, larger than what the plug-in writes into it.
constexpr size_t menuEntrySize = 256;
constexpr size_t menuTextSize = 64;

// A fixed-size text field of the menu entry: its bytes up to the first zero.
static std::string menuText(const uint8_t* field) {
    size_t length = 0;
    while (length < menuTextSize && field[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(field), length);
}

json enumerateMenu(const PluginLibrary& plugin) {
    json menu = json::array();
    for (int32_t index = 0; index < 2; ++index) {
        std::vector<uint8_t> entry(menuEntrySize, 0);
        int32_t result =
            plugin.enumerate(0, index, reinterpret_cast<ExtensionEntry*>(entry.data()));
        json item = {{"index", index}, {"result", result}};
        if (result != 0) {
            item["text"] = menuText(entry.data());
            item["name"] = menuText(entry.data() + menuTextSize);
            item["short"] = menuText(entry.data() + 2 * menuTextSize);
            item["words"] = {readS16(entry, 3 * menuTextSize),
                             readS16(entry, 3 * menuTextSize + 2)};
        }
        menu.push_back(std::move(item));
    }
    return menu;
}

LifeRecord playLife(const PluginLibrary& plugin, const Scenario& scenario, HostSession& session,
                    const LifeHooks& hooks) {
    LifeRecord life;
    HostSession* previous = activeHost;
    session.store = scenario.score;
    session.behaviour = scenario.host;
    activeHost = &session;
    if (!openDesktop(life.failure)) {
        activeHost = previous;
        return life;
    }
    clearPluginSettings();
    if (scenario.hasSettings)
        storePluginSettings(SavedSettings{scenario.settingsType, scenario.settings});
    setPlatformFailures(plugin, scenario.host.failingRegistry, scenario.host.failingAllocations);
    if (hooks.beforeLife)
        hooks.beforeLife(session);

    life.version = plugin.version(0);
    life.init = plugin.init(0, 0);
    life.menu = enumerateMenu(plugin);
    life.menuStatus = plugin.menuStatus(0);
    life.violations = session.violations;
    for (size_t i = 0; i < scenario.runs.size(); ++i) {
        const ScenarioRun& run = scenario.runs[i];
        clearRunRecord(session);
        std::vector<uint8_t> region = regionRecord(run.region);
        InvocationPlay play = playInvocation(plugin, run, run.hasRegion ? region.data() : nullptr);
        std::string failure = play.failure;
        if (hooks.afterRun)
            hooks.afterRun(i, play);
        if (!failure.empty()) {
            life.failure = failure;
            break;
        }
    }
    session.violations.clear();
    plugin.terminate(0);
    life.violations.insert(life.violations.end(), session.violations.begin(),
                           session.violations.end());
    setPlatformFailures(plugin, false, false);
    life.hasSettings = readPluginSettings(life.settings);
    closeDesktop();
    activeHost = previous;
    return life;
}
