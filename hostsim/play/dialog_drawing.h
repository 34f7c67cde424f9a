// The dialog drawn as text, for a person reading the host's report.
#pragma once

#include "resource/resource_script.h"

#include <nlohmann/json.hpp>

#include <string>

// Draws a dialog snapshot (as the transcript gives it) on a character grid laid out from the
// template's positions, then names the disabled controls and the one with the focus.
std::string drawDialog(const nlohmann::json& snapshot, const DialogTemplate& dialog);
