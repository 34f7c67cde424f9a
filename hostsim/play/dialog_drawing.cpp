#include "play/dialog_drawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

using nlohmann::json;

// Dialog units per character cell, across and down.
constexpr double unitsPerColumn = 3.0;
constexpr double unitsPerRow = 6.0;

namespace {

struct Grid {
    std::vector<std::string> rows;
};

} // namespace

static int column(double x) {
    return static_cast<int>(std::lround(x / unitsPerColumn));
}

static int row(double y) {
    return static_cast<int>(std::lround(y / unitsPerRow));
}

// Writes `text` at (r, c), clipped to the grid.
static void put(Grid& grid, int r, int c, const std::string& text) {
    if (r < 0 || r >= static_cast<int>(grid.rows.size()))
        return;
    std::string& line = grid.rows[static_cast<size_t>(r)];
    for (size_t i = 0; i < text.size(); ++i) {
        int at = c + static_cast<int>(i);
        if (at >= 0 && at < static_cast<int>(line.size()))
            line[static_cast<size_t>(at)] = text[i];
    }
}

// A control text as shown: "&&" is an ampersand, a single "&" marks the mnemonic and is dropped.
static std::string shown(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&')
            result += text[++i];
        else if (text[i] != '&')
            result += text[i];
    }
    return result;
}

// `text` cut or padded with blanks to `width` characters, centred or left-aligned.
static std::string fitted(const std::string& text, int width, bool centred) {
    if (width <= 0)
        return "";
    auto size = static_cast<size_t>(width);
    if (text.size() >= size)
        return text.substr(0, size);
    size_t before = centred ? (size - text.size()) / 2 : 0;
    return std::string(before, ' ') + text + std::string(size - text.size() - before, ' ');
}

static void drawFrame(Grid& grid, int top, int left, int bottom, int right,
                      const std::string& title) {
    int width = right - left + 1;
    if (width < 2 || bottom <= top)
        return;
    std::string edge = "+" + std::string(static_cast<size_t>(width - 2), '-') + "+";
    put(grid, top, left, edge);
    put(grid, bottom, left, edge);
    for (int r = top + 1; r < bottom; ++r) {
        put(grid, r, left, "|");
        put(grid, r, right, "|");
    }
    if (!title.empty())
        put(grid, top, left + 2,
            fitted(title, std::min(width - 4, static_cast<int>(title.size())), false));
}

static void drawList(Grid& grid, const json& control, int top, int left, int bottom, int right) {
    drawFrame(grid, top, left, bottom, right, "");
    const json& items = control["items"];
    std::vector<int> selected = control["selected"].get<std::vector<int>>();
    int current = control["current"].get<int>();
    int lines = bottom - top - 1;
    int width = right - left - 1;
    for (int i = 0; i < static_cast<int>(items.size()) && i < lines; ++i) {
        bool isSelected = std::find(selected.begin(), selected.end(), i) != selected.end();
        std::string mark = std::string(i == current ? ">" : " ") + (isSelected ? "*" : " ");
        if (i == lines - 1 && static_cast<int>(items.size()) > lines) {
            put(grid, top + 1 + i, left + 1,
                fitted("  ... " + std::to_string(items.size() - static_cast<size_t>(i)) + " more",
                       width, false));
            break;
        }
        put(grid, top + 1 + i, left + 1,
            fitted(mark + items[static_cast<size_t>(i)].get<std::string>(), width, false));
    }
}

// Draws one control at its place: one line in the middle of its box, or a frame.
static void drawControl(Grid& grid, const json& control, const ControlTemplate& source) {
    int left = column(source.x);
    int right = column(source.x + source.width) - 1;
    int width = right - left + 1;
    int middle = row(source.y + std::min(source.height, 12) / 2.0);
    std::string text = shown(control.value("text", ""));
    const std::string& kind = source.className;
    uint32_t buttonStyle = source.style & 0x0F;
    if (kind == "ListBox") {
        drawList(grid, control, row(source.y), left, row(source.y + source.height), right);
    } else if (kind == "Button" && buttonStyle == 7) {
        drawFrame(grid, row(source.y), left, row(source.y + source.height), right, text);
    } else if (kind == "Button" && buttonStyle == 3) {
        put(grid, middle, left,
            fitted(std::string(control.value("checked", 0) ? "[x] " : "[ ] ") + text, width,
                   false));
    } else if (kind == "Button" && buttonStyle == 9) {
        put(grid, middle, left,
            fitted(std::string(control.value("checked", 0) ? "(*) " : "( ) ") + text, width,
                   false));
    } else if (kind == "Button") {
        put(grid, middle, left, "[" + fitted(text, width - 2, true) + "]");
    } else if (kind == "Edit") {
        put(grid, middle, left, "[" + fitted(text, width - 2, false) + "]");
    } else if (kind == "ComboBox") {
        int selected = control.value("selected", -1);
        std::string entry;
        if (selected >= 0 && selected < static_cast<int>(control["items"].size()))
            entry = control["items"][static_cast<size_t>(selected)].get<std::string>();
        put(grid, middle, left, "[" + fitted(entry, width - 4, false) + " v]");
    } else {
        bool centred = (source.style & 0x0F) == 1;
        put(grid, middle, left, fitted(text, width, centred));
    }
}

std::string drawDialog(const json& snapshot, const DialogTemplate& dialog) {
    Grid grid;
    int rows = row(dialog.height) + 1;
    int columns = column(dialog.width) + 1;
    grid.rows.assign(static_cast<size_t>(rows), std::string(static_cast<size_t>(columns), ' '));
    const json& controls = snapshot["controls"];
    std::vector<std::string> disabled;
    for (size_t i = 0; i < controls.size() && i < dialog.controls.size(); ++i) {
        const ControlTemplate& source = dialog.controls[i];
        if (source.className == "msctls_updown32") {
            // an up-down control sits at the right end of its buddy, the control before it
            const ControlTemplate& buddy = dialog.controls[i > 0 ? i - 1 : i];
            put(grid, row(buddy.y + std::min(buddy.height, 12) / 2.0),
                column(buddy.x + buddy.width), "^v");
        } else {
            drawControl(grid, controls[i], source);
        }
        if (!controls[i].value("enabled", true))
            disabled.push_back(controls[i].value("name", ""));
    }
    std::string drawing = "+" + std::string(static_cast<size_t>(columns), '-') + "+\n";
    for (const std::string& line : grid.rows)
        drawing += "|" + line + "|\n";
    drawing += "+" + std::string(static_cast<size_t>(columns), '-') + "+\n";
    drawing += "Disabled: ";
    if (disabled.empty())
        drawing += "none";
    for (size_t i = 0; i < disabled.size(); ++i)
        drawing += (i ? ", " : "") + disabled[i];
    drawing += "\nFocus: ";
    drawing += snapshot["focus"].is_string() ? snapshot["focus"].get<std::string>() : "none";
    drawing += "\n";
    return drawing;
}
