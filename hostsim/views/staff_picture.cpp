#include "views/staff_picture.h"

#include "store/score_layout.h"
#include "views/score_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// One entry of a staff list, as drawn.
struct StaffMark {
    uint16_t entry = 0;
    uint16_t staff = 0;
    int32_t position = 0;
    std::string name;
    bool moved = false;
    int32_t distance = 0; // after less before, for a moved entry
};

// One column: a staff list, alone or as it was before or after a change.
struct Column {
    const char* state = ""; // "", "before" or "after"
    std::vector<StaffMark> staves;
    double width = 0;
};

// A staff list and its columns (one, or before and after).
struct ListGroup {
    int16_t list = 0;
    std::vector<Column> columns;
};

// Where the positions go on the page: y = plotTop + (top - position) * scale.
struct VerticalScale {
    double top = 0;
    double bottom = 0;
    double scale = 0;
};

// A position marked on the ruler.
struct RulerMark {
    double position = 0;
    std::string label;
};

} // namespace

// Sizes in pixels. A picture is shown at most about 760 pixels wide (the user guide's column):
// at most four columns to a row, two lists before and after or four lists alone, keep it so
// for names of up to about a dozen characters, the text then drawn at its own size.
constexpr size_t columnsPerRow = 4;
constexpr double margin = 16;
constexpr double legendStep = 16;  // between the legend's lines
constexpr double headingRise = 40; // a list's heading above the top of its row's plot
constexpr double stateRise = 20;   // "before" and "after" above it
constexpr double rowGap = 40;      // between the lowest point of a row and the next headings
constexpr double plotHeight = 480;
constexpr double largestScale = 0.5; // pixels per EVPU
constexpr double lineLength = 48;
constexpr double nameGap = 6;
constexpr double charWidth = 7;      // an estimate, for 12-pixel text
constexpr double boldCharWidth = 8;  // for 12-pixel bold text
constexpr double rulerCharWidth = 7; // for the ruler's 11-pixel digits
constexpr double headingWidth = 8;   // per character of 13-pixel bold text
constexpr double columnGap = 24;
constexpr double listGap = 16;
constexpr double labelStep = 14; // the least distance between two names in a column

constexpr const char* staffColour = "#222222";
constexpr const char* movedColour = "#d9480f";
constexpr const char* fontFamily = "DejaVu Sans, Verdana, Arial, sans-serif";

// A coordinate or size with at most two decimals, trailing zeros dropped; never "-0".
static std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string shown = text;
    shown.erase(shown.find_last_not_of('0') + 1);
    if (shown.back() == '.')
        shown.pop_back();
    return shown == "-0" ? "0" : shown;
}

// The character that replaces what XML can't carry: U+FFFD.
static const char* const replacement = "\xEF\xBF\xBD";

// The length of the UTF-8 sequence of a character XML allows, starting at `at`; 0 when the
// bytes there are not UTF-8 (a stray byte, an overlong form, a surrogate, beyond U+10FFFF) or
// encode a character XML forbids (control characters, U+FFFE, U+FFFF).
static size_t xmlCharacterLength(const std::string& text, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size())
        return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    bool forbidden =
        (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
    return overlong || forbidden ? 0 : length;
}

// `text` as XML character data or an attribute value: the markup characters escaped, anything
// XML can't carry replaced by U+FFFD.
static std::string xmlText(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t length = xmlCharacterLength(text, at);
        if (length == 0) {
            out += replacement;
            ++at;
            continue;
        }
        switch (text[at]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out.append(text, at, length);
        }
        at += length;
    }
    return out;
}

// The number of characters a reader sees in `text`: one per UTF-8 character or stray byte.
static double textLength(const std::string& text) {
    double count = 0;
    for (size_t at = 0; at < text.size(); ++count)
        at += std::max<size_t>(1, xmlCharacterLength(text, at));
    return count;
}

// A distance as the dialog takes it: "+24", "-36".
static std::string distanceText(int32_t distance) {
    return (distance > 0 ? "+" : "") + std::to_string(distance);
}

// Lists in the order drawn: systems' own lists, the global staff list, the staff sets, the rest.
static bool drawnBefore(int16_t a, int16_t b) {
    auto rank = [](int16_t list) {
        if (list > 0)
            return 0;
        if (list == globalStaffList)
            return 1;
        return list >= firstStaffSetList && list <= lastStaffSetList ? 2 : 3;
    };
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
}

// The numbers of the staff lists that have a record in `store`, added to `lists`, in the order
// drawn and each once.
static void addListNumbers(const RecordStore& store, std::vector<int16_t>& lists) {
    for (const StoredRecord& record : recordsInOrder(store)) {
        RecordId id = unpackRecordId(record.key);
        if (id.tag == tagStaffListEntry)
            lists.push_back(id.number);
    }
    std::sort(lists.begin(), lists.end(), drawnBefore);
    lists.erase(std::unique(lists.begin(), lists.end()), lists.end());
}

// The entries of list `list` up to the first missing one.
static std::vector<StaffMark> listStaves(const RecordStore& store, int16_t list) {
    std::vector<StaffMark> staves;
    for (uint32_t k = 0; k <= UINT16_MAX; ++k) {
        const std::vector<uint8_t>* entry =
            findRecord(store, RecordId{tagStaffListEntry, list, static_cast<uint16_t>(k)});
        if (!entry)
            break;
        StaffMark mark;
        mark.entry = static_cast<uint16_t>(k);
        mark.staff = readU16(*entry, listEntryStaffOffset);
        mark.position = readS32(*entry, listEntryPositionOffset);
        mark.name = displayName(store, mark.staff);
        staves.push_back(std::move(mark));
    }
    return staves;
}

// Marks the entries whose position differs in `other`, the same list as it was (`isAfter`) or
// became, with the distance moved.
static void markMoves(std::vector<StaffMark>& staves, const RecordStore& other, int16_t list,
                      bool isAfter) {
    for (StaffMark& mark : staves) {
        const std::vector<uint8_t>* entry =
            findRecord(other, RecordId{tagStaffListEntry, list, mark.entry});
        if (!entry)
            continue;
        auto was = static_cast<uint32_t>(readS32(*entry, listEntryPositionOffset));
        auto now = static_cast<uint32_t>(mark.position);
        if (was == now)
            continue;
        mark.moved = true;
        mark.distance = static_cast<int32_t>(isAfter ? now - was : was - now);
    }
}

// The column's width: the line, the longest name with its distance, the gap.
static double columnWidth(const Column& column) {
    double widest = textLength("no entries") * charWidth;
    for (const StaffMark& mark : column.staves) {
        double width = textLength(mark.name) * charWidth;
        if (mark.moved && std::string(column.state) == "after")
            width =
                (textLength(mark.name) + textLength(distanceText(mark.distance))) * boldCharWidth +
                nameGap;
        widest = std::max(widest, width);
    }
    return lineLength + nameGap + widest + columnGap;
}

static VerticalScale verticalScale(const std::vector<ListGroup>& groups) {
    VerticalScale scale;
    bool any = false;
    for (const ListGroup& group : groups)
        for (const Column& column : group.columns)
            for (const StaffMark& mark : column.staves) {
                double position = mark.position;
                scale.top = any ? std::max(scale.top, position) : position;
                scale.bottom = any ? std::min(scale.bottom, position) : position;
                any = true;
            }
    double range = scale.top - scale.bottom;
    scale.scale = range > 0 ? std::min(largestScale, plotHeight / range) : largestScale;
    return scale;
}

// The height of `position` in the row whose plot starts at `plotTop`.
static double yOf(const VerticalScale& scale, double plotTop, double position) {
    return plotTop + (scale.top - position) * scale.scale;
}

// The name of a staff list in the dialog's words: "Global Staff Set", "Staff Set #k"; a
// system's own list "System N".
static std::string pictureListName(int16_t list) {
    if (list == globalStaffList)
        return "Global Staff Set";
    if (list >= firstStaffSetList && list <= lastStaffSetList)
        return "Staff Set #" + std::to_string(list - firstStaffSetList + 1);
    return staffListName(list);
}

// A round step between ruler marks giving about eight of them over `range`; 1 EVPU at least.
static double rulerStep(double range) {
    double wanted = range / 8;
    if (wanted <= 1)
        return 1;
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= wanted)
            return factor * power;
    return 10 * power;
}

// The positions the ruler marks, from the top down, with their labels.
static std::vector<RulerMark> rulerMarks(const VerticalScale& scale) {
    double step = rulerStep(scale.top - scale.bottom);
    std::vector<RulerMark> marks;
    for (double mark = std::floor(scale.top / step) * step; mark >= scale.bottom; mark -= step) {
        char label[32];
        std::snprintf(label, sizeof label, "%.0f", mark == 0 ? 0.0 : mark);
        marks.push_back(RulerMark{mark, label});
    }
    return marks;
}

// The width of the ruler: its longest label, the ticks.
static double rulerWidth(const std::vector<RulerMark>& marks) {
    double widest = 0;
    for (const RulerMark& mark : marks)
        widest = std::max(widest, textLength(mark.label) * rulerCharWidth);
    return widest + 24;
}

// The ruler at the left of a row whose plot starts at `plotTop`, its axis at `axis`, and the
// grid lines across the picture, to `right`.
static std::string drawRuler(const VerticalScale& scale, const std::vector<RulerMark>& marks,
                             double plotTop, double axis, double right) {
    std::string labels, grid, ticks;
    for (const RulerMark& mark : marks) {
        double y = yOf(scale, plotTop, mark.position);
        labels += "<text x=\"" + number(axis - 8) + "\" y=\"" + number(y + 4) +
                  "\" text-anchor=\"end\">" + mark.label + "</text>\n";
        grid += "M" + number(axis) + " " + number(y) + "H" + number(right);
        ticks += "M" + number(axis - 5) + " " + number(y) + "H" + number(axis);
    }
    double bottom = yOf(scale, plotTop, scale.bottom);
    return "<g class=\"ruler\" font-size=\"11\" fill=\"#666666\">\n"
           "<path class=\"grid\" d=\"" +
           grid + "\" stroke=\"#e4e4e4\" stroke-width=\"1\"/>\n<path class=\"axis\" d=\"M" +
           number(axis) + " " + number(plotTop - 6) + "V" + number(bottom + 6) + ticks +
           "\" stroke=\"#666666\" stroke-width=\"1\" fill=\"none\"/>\n" + labels + "</g>\n";
}

// One column at `x`, in the row whose plot starts at `plotTop`: each staff a line at its
// position with its name; names that would touch are moved down, each staying with its line's
// group. Returns the lowest point drawn.
static double drawColumn(std::string& out, const Column& column, int16_t list, double x,
                         double plotTop, const VerticalScale& scale) {
    bool isAfter = std::string(column.state) == "after";
    out += "<g class=\"column";
    if (*column.state)
        out += std::string(" ") + column.state;
    out += "\" data-list=\"" + std::to_string(list) + "\">\n";
    if (*column.state)
        out += "<text x=\"" + number(x) + "\" y=\"" + number(plotTop - stateRise) +
               "\" font-style=\"italic\" fill=\"#666666\">" + column.state + "</text>\n";
    if (column.staves.empty()) {
        out += "<text x=\"" + number(x) + "\" y=\"" + number(plotTop + 4) +
               "\" fill=\"#666666\">no entries</text>\n</g>\n";
        return plotTop + 4;
    }

    // names from the top down, each at least a step below the one above
    std::vector<size_t> order(column.staves.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return column.staves[a].position > column.staves[b].position;
    });
    std::vector<double> nameY(column.staves.size());
    double previous = -1e300;
    for (size_t i : order) {
        nameY[i] = std::max(yOf(scale, plotTop, column.staves[i].position), previous + labelStep);
        previous = nameY[i];
    }

    for (size_t i = 0; i < column.staves.size(); ++i) {
        const StaffMark& mark = column.staves[i];
        double y = yOf(scale, plotTop, mark.position);
        std::string name = xmlText(mark.name);
        std::string tooltip = name + ": position " + std::to_string(mark.position);
        out += "<g class=\"staff";
        if (mark.moved) {
            out += " moved\" data-distance=\"" + std::to_string(mark.distance);
            tooltip += isAfter ? ", moved " + distanceText(mark.distance)
                               : ", then moved " + distanceText(mark.distance);
        }
        out += "\" data-staff=\"" + std::to_string(mark.staff) + "\" data-entry=\"" +
               std::to_string(mark.entry) + "\" data-position=\"" + std::to_string(mark.position) +
               "\">\n<title>" + tooltip + "</title>\n";
        const char* colour = mark.moved ? movedColour : staffColour;
        out += "<line x1=\"" + number(x) + "\" y1=\"" + number(y) + "\" x2=\"" +
               number(x + lineLength) + "\" y2=\"" + number(y) + "\" stroke=\"" + colour +
               "\" stroke-width=\"" + (mark.moved && isAfter ? "3" : "2") + "\"";
        if (mark.moved && !isAfter)
            out += " stroke-dasharray=\"5 3\"";
        out += "/>\n";
        double textX = x + lineLength + nameGap;
        out +=
            "<text class=\"name\" x=\"" + number(textX) + "\" y=\"" + number(nameY[i] + 4) + "\"";
        if (mark.moved)
            out += std::string(" fill=\"") + movedColour + "\"" +
                   (isAfter ? " font-weight=\"bold\"" : "");
        out += ">" + name + "</text>\n";
        if (mark.moved && isAfter)
            out += "<text class=\"distance\" x=\"" +
                   number(textX + textLength(mark.name) * boldCharWidth + nameGap) + "\" y=\"" +
                   number(nameY[i] + 4) + "\" fill=\"" + movedColour + "\" font-weight=\"bold\">" +
                   distanceText(mark.distance) + "</text>\n";
        out += "</g>\n";
    }
    out += "</g>\n";
    return std::max(nameY[order.back()] + 4, yOf(scale, plotTop, scale.bottom));
}

// The whole picture of `groups`, under `title` and the lines of `legend`: the lists in rows of
// at most `columnsPerRow` columns, one under the other, each list in its row's place as wide as
// the widest list in that place, every row with its own ruler and the same scale.
static std::string drawPicture(std::vector<ListGroup>& groups, const std::string& title,
                               const std::vector<std::string>& legend) {
    VerticalScale scale = verticalScale(groups);
    std::vector<RulerMark> marks = rulerMarks(scale);
    double left = margin + rulerWidth(marks);
    size_t perRow =
        groups.empty() ? 1 : std::max<size_t>(1, columnsPerRow / groups.front().columns.size());
    std::vector<double> placeWidths(std::min(perRow, groups.size()), 0);
    for (size_t i = 0; i < groups.size(); ++i) {
        ListGroup& group = groups[i];
        double width = 0;
        for (Column& column : group.columns) {
            column.width = columnWidth(column);
            width += column.width;
        }
        // the heading spans the group's columns: widen the last one when it is wider
        double heading = textLength(pictureListName(group.list)) * headingWidth + columnGap;
        if (heading > width)
            group.columns.back().width += heading - width;
        double& place = placeWidths[i % perRow];
        place = std::max(place, std::max(width, heading));
    }
    double right = left;
    for (double width : placeWidths)
        right += width + listGap;
    for (const std::string& line : legend)
        right = std::max(right, margin + textLength(line) * charWidth + margin);

    std::string body;
    double legendBottom = margin + 32 + legendStep * static_cast<double>(legend.size() - 1);
    double plotTop = legendBottom + 24 + headingRise;
    std::string rowTops;
    double lowest = plotTop + 4;
    if (groups.empty())
        body += "<text x=\"" + number(left) + "\" y=\"" + number(plotTop + 4) +
                "\" fill=\"#666666\">No staff lists</text>\n";
    for (size_t first = 0; first < groups.size(); first += perRow) {
        if (first > 0)
            plotTop = lowest + rowGap + headingRise;
        rowTops += (first > 0 ? ", " : "") + number(plotTop) + " in row " +
                   std::to_string(first / perRow + 1);
        body += "<g class=\"row\" data-row=\"" + std::to_string(first / perRow + 1) + "\">\n";
        body += drawRuler(scale, marks, plotTop, left - 8, right - listGap);
        lowest = yOf(scale, plotTop, scale.bottom);
        double x = left;
        for (size_t i = first; i < std::min(groups.size(), first + perRow); ++i) {
            const ListGroup& group = groups[i];
            body += "<g class=\"staff-list\" data-list=\"" + std::to_string(group.list) + "\">\n";
            body += "<text class=\"heading\" x=\"" + number(x) + "\" y=\"" +
                    number(plotTop - headingRise) + "\" font-size=\"13\" font-weight=\"bold\">" +
                    pictureListName(group.list) + "</text>\n";
            double columnX = x;
            for (const Column& column : group.columns) {
                lowest =
                    std::max(lowest, drawColumn(body, column, group.list, columnX, plotTop, scale));
                columnX += column.width;
            }
            body += "</g>\n";
            x += placeWidths[i - first] + listGap;
        }
        body += "</g>\n";
    }
    double width = std::ceil(right);
    double height = std::ceil(lowest + 2 * margin);

    char scaleText[48];
    std::snprintf(scaleText, sizeof scaleText, "%.9g", scale.scale);
    char topText[48];
    std::snprintf(topText, sizeof topText, "%.0f", scale.top == 0 ? 0.0 : scale.top);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" +
           number(height) + "\" viewBox=\"0 0 " + number(width) + " " + number(height) +
           "\" font-family=\"" + fontFamily + "\" font-size=\"12\">\n";
    out += "<title>" + title + "</title>\n";
    out += "<desc>Each line is a staff at its vertical position in EVPUs: y = T + (" +
           std::string(topText) + " - position) * " + scaleText + ", T the top of its row";
    out += groups.empty() ? "" : ": " + rowTops;
    out += ".</desc>\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    out += "<text x=\"" + number(margin) + "\" y=\"" + number(margin + 12) +
           "\" font-size=\"15\" font-weight=\"bold\">" + title + "</text>\n";
    for (size_t i = 0; i < legend.size(); ++i)
        out += "<text x=\"" + number(margin) + "\" y=\"" +
               number(margin + 32 + legendStep * static_cast<double>(i)) + "\" fill=\"#444444\">" +
               xmlText(legend[i]) + "</text>\n";
    out += body + "</svg>\n";
    return out;
}

std::string drawStaffLists(const RecordStore& store) {
    std::vector<int16_t> lists;
    addListNumbers(store, lists);
    std::vector<ListGroup> groups;
    for (int16_t list : lists) {
        Column column;
        column.staves = listStaves(store, list);
        groups.push_back(ListGroup{list, {column}});
    }
    return drawPicture(groups, "Staff positions",
                       {"Each line is a staff at its position in EVPUs:",
                        "the higher the position, the higher the staff on the page."});
}

std::string drawStaffListChanges(const RecordStore& before, const RecordStore& after) {
    std::vector<int16_t> lists;
    addListNumbers(before, lists);
    addListNumbers(after, lists);
    std::vector<ListGroup> groups;
    for (int16_t list : lists) {
        Column was;
        was.state = "before";
        was.staves = listStaves(before, list);
        markMoves(was.staves, after, list, false);
        Column now;
        now.state = "after";
        now.staves = listStaves(after, list);
        markMoves(now.staves, before, list, true);
        groups.push_back(ListGroup{list, {was, now}});
    }
    return drawPicture(groups, "Staff positions before and after",
                       {"In orange, the staves that moved: dashed where they were, solid where "
                        "they are,",
                        "with the distance in EVPUs (+ up, - down)."});
}
