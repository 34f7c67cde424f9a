"""A score's staff lists drawn as an engraver sees them on the page, as SVG, for the user guide.

The staff systems stand one above the other, in the order of the score; each staff is drawn with
its five lines (24 EVPUs apart, the score's own staff space) at its position in the list that the
system follows: an optimized system its own list, any other the global staff set. Staff sets,
which the page shows only while one is viewed, come after the systems.

Drawn for a push, the picture overlays before and after: a staff that moved is drawn faint where
it was and solid where it is, with an arrow from one to the other, and every gap the push changed
(between two staves of a list that follow each other, or above the list's first staff) carries a
bracket labelled with how many EVPUs wider or narrower it became. Lists that did not change are
drawn at half the scale, in grey, while another list of the page changed; otherwise (a staff set
left as it was, or the whole page when only a staff set changed) they are left out and named in
a note under the picture. Drawn for the score alone, every list is drawn, each staff with its
position beside it.

The drawing reads the score's `view` as lumbrel-host writes it (`systems` and `staffLists`) and
the staves' names as the instrument list shows them; draw() returns the SVG's text.

The SVG's groups carry what they show, for the guide's checks: each list `class="staff-list"`
with `data-list` (its number), `data-name` (System 1, Global Staff Set, Staff Set #1) and
`data-scale` (full or small); each staff `class="staff"` (`"staff moved"` when it moved) with
`data-staff`, `data-position` (where it is) and, moved, `data-before` and `data-distance`; each
changed gap `class="gap"` with `data-change` (EVPUs wider; negative: narrower).
"""

from xml.sax.saxutils import escape

WIDTH = 480
FONT = "DejaVu Sans, Verdana, Arial, sans-serif"
FONT_SIZE = 14  # every text of the picture: at a phone's width (a third smaller) still 10 px
STAFF_SPACE = 24  # EVPUs between two lines of a staff
STAFF_HEIGHT = 4 * STAFF_SPACE
FULL, SMALL, OVERVIEW = 0.25, 0.125, 0.15  # pixels per EVPU
NAME_RIGHT, STAFF_LEFT, STAFF_RIGHT = 88, 96, 292
ARROW_X, BRACKET_X, LABEL_X = 302, 318, 328
INK, GREY, MOVED = "#222222", "#8a8a8a", "#c2410c"
FAINT_OPACITY = "0.3"
GAP = "#1d4ed8"


def number(value):
    """A coordinate as the SVG writes it: at most two decimals, no trailing zeros."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def staff_set_name(number_):
    return f"Staff Set #{number_ + 37}"


def list_positions(view):
    """{list number: [(staff, position), ...]} in the lists' own order."""
    return {entry["number"]: [(item["staff"], item["position"]) for item in entry["entries"]]
            for entry in view.get("staffLists", [])}


def first_positions(entries):
    """{staff: its position at its first entry}: the entry a push moves."""
    positions = {}
    for staff, position in entries:
        positions.setdefault(staff, position)
    return positions


class Block:
    """One list as the picture draws it: its number, its heading and note, before and after."""

    def __init__(self, list_number, name, heading, note, before, after):
        self.list = list_number
        self.name = name  # the list's own name
        self.heading = heading  # what the page calls it
        self.note = note  # what it is
        self.before = before
        self.after = after
        self.scale = FULL

    def changed(self):
        return self.before != self.after


def page_blocks(before, after):
    """The lists of the picture: the page's systems in order, then the staff sets."""
    lists_before, lists_after = list_positions(before), list_positions(after)
    blocks = []

    def block(list_number, name, heading, note):
        blocks.append(Block(list_number, name, heading, note, lists_before.get(list_number, []),
                            lists_after.get(list_number, [])))

    plain_systems = False
    for system in before.get("systems", []):
        if system["optimized"]:
            block(system["number"], f"System {system['number']}", f"System {system['number']}",
                  "optimized: its own staff list")
        else:
            plain_systems = True
            block(0, "Global Staff Set", f"System {system['number']}",
                  "not optimized: the Global Staff Set")
    if not plain_systems and 0 in lists_before:
        block(0, "Global Staff Set", "Global Staff Set", "the list of systems not optimized")
    for list_number in sorted(lists_before, reverse=True):
        if -36 <= list_number <= -29:
            block(list_number, staff_set_name(list_number), staff_set_name(list_number),
                  "on the page while you view it")
    return blocks


def chosen_blocks(blocks, pushed):
    """The blocks drawn, each with its scale, and the headings of those left out."""
    if not pushed:
        for block in blocks:
            block.scale = OVERVIEW
        return blocks, []
    page = [block for block in blocks if not block.name.startswith("Staff Set")]
    page_changed = any(block.changed() for block in page)
    drawn, left_out = [], []
    for block in blocks:
        if block.changed():
            drawn.append(block)
        elif block in page and page_changed:
            block.scale = SMALL
            drawn.append(block)
        else:
            left_out.append(block.heading)
    return drawn, left_out


def staff_lines(y_top, scale, x_left=STAFF_LEFT, x_right=STAFF_RIGHT):
    """The path of a staff's five lines, the top one at y_top, each on the middle of a pixel
    row so that it is drawn sharp."""
    return "".join(f"M{number(x_left)} {round(y_top + line * STAFF_SPACE * scale) + 0.5}"
                   f"H{number(x_right)}" for line in range(5))


def gap_changes(before, after):
    """[(upper staff or None for the list's top, lower staff, EVPUs wider), ...] for every gap
    of the list that the push changed: between entries that follow each other, and above the
    first entry (from position 0, the system's top)."""
    was, now = first_positions(before), first_positions(after)
    order = [staff for staff, _ in after]
    changes = []
    if order and now[order[0]] != was.get(order[0]):
        changes.append((None, order[0], was[order[0]] - now[order[0]]))
    for upper, lower in zip(order, order[1:]):
        change = (now[upper] - now[lower]) - (was[upper] - was[lower])
        if change:
            changes.append((upper, lower, change))
    return changes


def draw_block(block, names, top):
    """The SVG of one list, its heading's top at `top`; and the height it takes."""
    scale = block.scale
    was, now = first_positions(block.before), first_positions(block.after)
    positions = list(was.values()) + list(now.values()) + [0]
    high, low = max(positions), min(positions) - STAFF_HEIGHT
    staves_top = top + 30

    def y(position):
        return staves_top + (high - position) * scale

    small, overview = scale == SMALL, scale == OVERVIEW
    note = block.note
    if small:
        note = "unchanged" if block.heading == block.name else f"{block.name}, unchanged"
    out = [f'<g class="staff-list" data-list="{block.list}" data-name="{escape(block.name)}" '
           f'data-scale="{"small" if small else "full"}">',
           f'<text class="heading" x="8" y="{number(top + 16)}"><tspan font-weight="bold">'
           f'{escape(block.heading)}</tspan><tspan fill="#555555"> · {escape(note)}</tspan>'
           "</text>"]
    for staff, position in block.after:
        if now[staff] != position:  # a staff's later entry in the list is not drawn
            continue
        name = escape(names.get(staff, f"[Staff {staff}]"))
        middle = y(position - STAFF_HEIGHT / 2)
        before = was.get(staff, position)
        if before == position:
            colour = GREY if small else INK
            out += [f'<g class="staff" data-staff="{staff}" data-position="{position}">',
                    f"<title>{name}: {position} EVPUs</title>",
                    f'<path d="{staff_lines(y(position), scale)}" stroke="{colour}" '
                    'stroke-width="1" fill="none"/>',
                    f'<text class="name" x="{NAME_RIGHT}" y="{number(middle + 5)}" '
                    f'text-anchor="end" fill="{colour}">{name}</text>']
            if overview:
                out.append(f'<text class="position" x="{BRACKET_X}" y="{number(middle + 5)}" '
                           f'fill="#555555">{position}</text>')
            out.append("</g>")
            continue
        moved = position - before
        tip, head = middle, -5 if moved > 0 else 5
        out += [f'<g class="staff moved" data-staff="{staff}" data-position="{position}" '
                f'data-before="{before}" data-distance="{moved}">',
                f"<title>{name}: {before} EVPUs before, {position} after "
                f"({'up' if moved > 0 else 'down'} {abs(moved)})</title>",
                f'<path class="before" d="{staff_lines(y(before), scale)}" stroke="{MOVED}" '
                f'stroke-opacity="{FAINT_OPACITY}" stroke-width="1.5" fill="none"/>',
                f'<path class="after" d="{staff_lines(y(position), scale)}" stroke="{MOVED}" '
                'stroke-width="1.5" fill="none"/>',
                f'<path class="arrow" d="M{ARROW_X} {number(y(before - STAFF_HEIGHT / 2))}'
                f"V{number(tip)}M{ARROW_X - 3} {number(tip - head)}L{ARROW_X} {number(tip)}"
                f'L{ARROW_X + 3} {number(tip - head)}" stroke="{MOVED}" stroke-width="1.5" '
                'fill="none"/>',
                f'<text class="name" x="{NAME_RIGHT}" y="{number(middle + 5)}" '
                f'text-anchor="end" fill="{MOVED}" font-weight="bold">{name}</text>', "</g>"]
    for upper, lower, change in gap_changes(block.before, block.after):
        start = y(0) if upper is None else y(now[upper] - STAFF_HEIGHT)
        end = y(now[lower])
        lower_name = escape(names.get(lower, f"[Staff {lower}]"))
        if upper is None:
            lines = [f"{abs(change)} EVPUs {'more' if change > 0 else 'less'}", "room above"]
            told = f"The room above {lower_name}, from the system's top: {' '.join(lines)}"
        else:
            lines = [f"{abs(change)} EVPUs {'wider' if change > 0 else 'narrower'}"]
            told = (f"The gap between {escape(names.get(upper, f'[Staff {upper}]'))} and "
                    f"{lower_name}: {lines[0]}")
        baseline = (start + end) / 2 + 5 - 8 * (len(lines) - 1)
        out += [f'<g class="gap" data-change="{change}">', f"<title>{told}</title>",
                f'<path d="M{BRACKET_X - 4} {number(start)}H{BRACKET_X}V{number(end)}'
                f'H{BRACKET_X - 4}" stroke="{GAP}" stroke-width="1.5" fill="none"/>']
        out += [f'<text x="{LABEL_X}" y="{number(baseline + 16 * row)}" fill="{GAP}">{line}'
                "</text>" for row, line in enumerate(lines)]
        out.append("</g>")
        if upper is None:
            out.append(f'<path class="top" d="M{STAFF_LEFT} {number(y(0))}H{BRACKET_X}" '
                       f'stroke="{GAP}" stroke-width="1" stroke-dasharray="3 3" fill="none"/>')
    out.append("</g>")
    return out, 30 + (high - low) * scale + 24


def legend(top):
    """Before, after and a changed gap, each with a small sample."""
    sample = 0.125
    return [f'<g class="legend" transform="translate(8 {top})">',
            f'<path d="{staff_lines(4, sample, 0, 28)}" stroke="{MOVED}" '
            f'stroke-opacity="{FAINT_OPACITY}" stroke-width="1.5" fill="none"/>',
            '<text x="34" y="15">before</text>',
            f'<path d="{staff_lines(4, sample, 104, 132)}" stroke="{MOVED}" stroke-width="1.5" '
            'fill="none"/>', '<text x="138" y="15">after</text>',
            f'<path d="M198 2H202V20H198" stroke="{GAP}" stroke-width="1.5" fill="none"/>',
            f'<text x="210" y="15" fill="{GAP}">a gap that changed</text>', "</g>"]


def wrapped(text, width=56):
    """`text` in lines of at most `width` characters, broken between words."""
    lines, line = [], ""
    for word in text.split():
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = f"{line} {word}" if line else word
    return lines + ([line] if line else [])


def draw(before, after, names, title):
    """The SVG of the page's lists as `before` shows them, or with `after` (None: no push)
    overlaid; `names` {staff number: name}."""
    blocks, left_out = chosen_blocks(page_blocks(before, after or before), after is not None)
    body, top = [], 10
    if after is not None:
        body += legend(top)
        top += 36
    for block in blocks:
        drawn, height = draw_block(block, names, top)
        body += drawn
        top += height
    if left_out:
        for line in wrapped("Unchanged, not shown: " + ", ".join(left_out) + "."):
            body.append(f'<text class="note" x="8" y="{number(top + 4)}" fill="#555555">'
                        f"{escape(line)}</text>")
            top += 20
    height = round(top + 4)
    scales = (f"{OVERVIEW}" if after is None else
              f"{FULL}, and {SMALL} in a list that did not change")
    return "\n".join([
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{height}" '
        f'viewBox="0 0 {WIDTH} {height}" font-family="{FONT}" font-size="{FONT_SIZE}">',
        f"<title>{escape(title)}</title>",
        f"<desc>Each staff is drawn with its five lines at its position in EVPUs; pixels for "
        f"each EVPU: {scales}.</desc>",
        '<rect width="100%" height="100%" fill="#ffffff"/>',
        *body, "</svg>", ""])
