// What the host's dialog services share on either platform: the one dialog resource they show,
// the item kinds of FX_GetDlgItemVal and FX_SetDlgItemVal, and how the host runs its own code
// from inside the plug-in's calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

// The one dialog resource the host can show: the plug-in's main dialog.
constexpr int32_t mainDialogResource = 20128;

enum ItemKind { kindComboBox = 0, kindCheckBox = 1, kindRadioButton = 2, kindWholeNumber = 3 };

// The 0-based combo box entry that FX_SetDlgItemVal's 1-based value selects; -1, no selection,
// for a value below 1.
constexpr int32_t comboEntryOfValue(int32_t value) {
    return value >= 1 ? value - 1 : -1;
}

// Runs a hook of the host (the user's actions, the end-of-dialog snapshot). The hooks run from
// inside the plug-in's calls: nothing may be thrown through the plug-in, so a failing hook ends
// the host.
template <typename Hook> void runHook(const char* what, Hook hook) {
    try {
        hook();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "substitute host: %s failed: %s\n", what, failure.what());
        std::abort();
    } catch (...) {
        std::fprintf(stderr, "substitute host: %s failed\n", what);
        std::abort();
    }
}
