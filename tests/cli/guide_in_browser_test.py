#!/usr/bin/python3
"""The user guide as the engraver reads it: in a real browser, on a laptop's screen and a phone's.

Makes the guide's web page with tools/user_guide_html.py, as the release archive's
user-guide.html is made (one page, every picture embedded), opens it in headless Chromium
(Debian's /usr/bin/chromium, driven through /usr/bin/chromedriver by Debian's python3-selenium)
at each width of WIDTHS, a laptop's 1366 CSS pixels and a phone's 400 (a mobile screen, as a
phone's browser lays pages out), and checks at each that:
  - the page is as wide as the window: nothing makes it scroll sideways (long code and tables
    wrap, or scroll in their own box; pictures shrink); else it names what sticks out;
  - the first screen says which versions of Finale load the plug-in (FIRST_SCREEN);
  - every link within the page leads to a place in it (the table of contents among them);
  - every picture of the page has loaded (complete, naturalWidth > 0), and the page shows as
    many as the guide links;
  - in every staff picture (an SVG whose groups carry data-staff), every text is drawn at least
    MIN_TEXT_PX CSS pixels high: the picture is put into the page inline, at the width its <img>
    is shown at, and each text's font size is taken through the browser's own transform of the
    SVG (getScreenCTM) and its computed style.
One browser start for the whole page; the page's length at each width is reported.

  guide_in_browser_test.py [--guide docs/user-guide.md]
Exits 0 when all holds, 1 naming each failure, 77 (the CTest skip code) when chromium,
chromedriver, selenium or the markdown module is missing.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

SKIP = 77
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# (width, height, a phone's) in CSS pixels
WIDTHS = [(1366, 768, False), (400, 800, True)]
MIN_TEXT_PX = 10
# what the first screen must say: which Finale loads the plug-in, and which cannot
FIRST_SCREEN = ["Finale 2014.5", "Finale 25"]

# The page as shown: its width and length, what sticks out of the screen's width (outside a box
# of its own that scrolls), the in-page links that lead nowhere, how far down the first screen's
# facts stand, and every picture: loaded, its natural and shown size; for an SVG picture, drawn
# again inline at the shown width, the smallest font size of its texts in CSS pixels and their
# count.
MEASURE = """
const width = arguments[1];
const scrolls = e => e && ['auto', 'scroll'].includes(getComputedStyle(e).overflowX);
const sticking = [];
for (const element of document.body.querySelectorAll('*')) {
    let boxed = false;
    for (let up = element.parentElement; up && up !== document.body; up = up.parentElement) {
        if (scrolls(up)) { boxed = true; break; }
    }
    const box = element.getBoundingClientRect();
    if (!boxed && box.right > width + 0.5 && !(element.parentElement &&
            element.parentElement.getBoundingClientRect().right > width + 0.5)) {
        sticking.push(element.tagName.toLowerCase() + ' ' + Math.round(box.right) + ' px: ' +
                      element.textContent.trim().slice(0, 60));
    }
}
const broken = [...document.querySelectorAll('a[href^="#"]')]
    .map(a => a.getAttribute('href'))
    .filter(href => !document.getElementById(decodeURIComponent(href.slice(1))));
const facts = {};
for (const fact of arguments[0]) {
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    let top = null;
    while (walker.nextNode()) {
        const at = walker.currentNode.textContent.indexOf(fact);
        if (at < 0) continue;
        const range = document.createRange();
        range.setStart(walker.currentNode, at);
        range.setEnd(walker.currentNode, at + fact.length);
        top = range.getBoundingClientRect().top + window.scrollY;
        break;
    }
    facts[fact] = top;
}
const pictures = [];
for (const img of document.querySelectorAll('img')) {
    const shown = img.getBoundingClientRect();
    const result = {alt: img.alt, complete: img.complete, natural: img.naturalWidth,
                    width: shown.width, height: shown.height, texts: null, smallest: null};
    const svg = img.src.match(/^data:image\\/svg\\+xml;base64,(.*)$/);
    if (svg) {
        const bytes = Uint8Array.from(atob(svg[1]), c => c.charCodeAt(0));
        const parsed = new DOMParser().parseFromString(new TextDecoder().decode(bytes),
                                                       'image/svg+xml');
        const holder = document.createElement('div');
        holder.style.cssText = 'position:absolute; left:0; top:0; width:' + shown.width + 'px';
        const inline = document.importNode(parsed.documentElement, true);
        inline.setAttribute('width', '100%');
        inline.removeAttribute('height');
        holder.appendChild(inline);
        document.body.appendChild(holder);
        if (inline.querySelector('g[data-staff]')) {
            const texts = [...inline.querySelectorAll('text')];
            result.texts = texts.length;
            for (const text of texts) {
                const px = parseFloat(getComputedStyle(text).fontSize) * text.getScreenCTM().a;
                result.smallest = result.smallest === null ? px : Math.min(result.smallest, px);
            }
        }
        holder.remove();
    }
    pictures.push(result);
}
return {window: window.innerWidth, height: window.innerHeight,
        page: document.documentElement.scrollWidth,
        length: document.documentElement.scrollHeight,
        column: parseFloat(getComputedStyle(document.body).width),
        sticking: sticking, broken: broken, facts: facts, pictures: pictures};
"""


def missing_tools():
    """What is missing to run the browser, for the skip message; None when nothing is."""
    missing = [path for path in (CHROMIUM, CHROMEDRIVER) if not os.access(path, os.X_OK)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("selenium (python3-selenium)")
    try:
        import markdown  # noqa: F401
    except ImportError:
        missing.append("markdown (python3-markdown)")
    return ", ".join(missing) or None


def open_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                     f"--user-data-dir={profile}", "--window-size=1366,768"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)


def measure(browser, page, width, height, phone):
    """What the page shows at that size (MEASURE's result)."""
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": width, "height": height, "deviceScaleFactor": 1,
                             "mobile": phone})
    browser.get("file://" + page)
    return browser.execute_script(MEASURE, FIRST_SCREEN, width)


def failures_at(seen, width, links):
    """The failures of one width, one line each, and what was measured, for a person."""
    failures = []
    report = [f"{width} px: the page {seen['page']} px wide, {seen['length']} px long, the "
              f"guide's column {seen['column']:.0f} px"]
    if seen["page"] > width or seen["window"] != width:
        # a phone's browser widens its window to the page, a laptop's scrolls it sideways
        failures.append(f"the page is {seen['page']} px wide on a screen of {width}, the window "
                        f"{seen['window']}: " + "; ".join(seen["sticking"][:5]))
    for href in seen["broken"]:
        failures.append(f"the link {href} leads nowhere in the page")
    for fact, top in seen["facts"].items():
        if top is None or top > seen["height"]:
            failures.append(f"the first screen ({seen['height']} px) does not say "
                            f"{fact!r}" + ("" if top is None else f": it stands at {top:.0f} px"))
    pictures = seen["pictures"]
    if len(pictures) != len(links):
        failures.append(f"the page shows {len(pictures)} pictures, the guide links {len(links)}")
    staff_pictures = 0
    for picture, link in zip(pictures, links):
        if not picture["complete"] or not picture["natural"] > 0:
            failures.append(f"{link}: not loaded")
            continue
        if not picture["texts"]:
            continue
        staff_pictures += 1
        report.append(f"  {link}: shown {picture['width']:.0f} x {picture['height']:.0f} px, "
                      f"texts {picture['smallest']:.2f} px high")
        if picture["smallest"] < MIN_TEXT_PX:
            failures.append(f"{link}: shown {picture['width']:.0f} px wide, its smallest text is "
                            f"{picture['smallest']:.2f} px high, less than {MIN_TEXT_PX}")
    svg_links = sum(link.endswith(".svg") for link in links)
    if staff_pictures != svg_links:
        failures.append(f"{staff_pictures} staff pictures with texts, the guide links "
                        f"{svg_links} SVG pictures")
    return [f"{width} px: {failure}" for failure in failures], report


def check(page, links):
    """The failures at every width, and what was measured."""
    failures, report = [], []
    with tempfile.TemporaryDirectory() as profile:
        browser = open_browser(profile)
        try:
            for width, height, phone in WIDTHS:
                found, measured = failures_at(measure(browser, page, width, height, phone),
                                              width, links)
                failures += found
                report += measured
        finally:
            browser.quit()
    return failures, report


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--guide", default=os.path.join(ROOT, "docs", "user-guide.md"))
    arguments = parser.parse_args()
    missing = missing_tools()
    if missing:
        print(f"SKIP: {missing} missing (scripts/bootstrap installs them)")
        return SKIP
    with open(arguments.guide, encoding="utf-8") as guide:
        links = re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", guide.read())
    with tempfile.TemporaryDirectory() as folder:
        page = os.path.join(folder, "user-guide.html")
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "user_guide_html.py"),
                        arguments.guide, page], check=True)
        failures, report = check(page, links)
    print("\n".join(report + failures))
    if not failures:
        print("at every width the page fits the window, its first screen names the Finale "
              "versions, its links lead somewhere, every picture loads, and every staff "
              "picture's text is legible")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
