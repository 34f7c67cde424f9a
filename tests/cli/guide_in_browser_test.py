#!/usr/bin/python3
"""The user guide as the engraver reads it: in a real browser, at the width of a small screen.

Makes the guide's web page with tools/user_guide_html.py, as the release archive's
user-guide.html is made (one page, every picture embedded), opens it in headless Chromium
(Debian's /usr/bin/chromium, driven through /usr/bin/chromedriver by Debian's python3-selenium)
in a window 1024 CSS pixels wide, and checks that:
  - every picture of the page has loaded (complete, naturalWidth > 0), and the page shows as
    many as the guide links;
  - in every staff picture (an SVG whose groups carry data-staff), every staff's name is drawn
    at least MIN_NAME_PX CSS pixels high: the picture is put into the page inline, at the width
    its <img> is shown at, and each name's font size is taken through the browser's own
    transform of the SVG (getScreenCTM) and its computed style.
One browser start for the whole page.

  guide_in_browser_test.py [--guide docs/user-guide.md]
Exits 0 when all holds, 1 naming each picture that fails, 77 (the CTest skip code) when
chromium, chromedriver, selenium or the markdown module is missing.
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
WINDOW_WIDTH = 1024
MIN_NAME_PX = 10

# Every picture of the page: loaded, its natural and shown size; for an SVG picture, drawn again
# inline at the shown width, the smallest font size of its names in CSS pixels and their count.
MEASURE = """
const results = [];
for (const img of document.querySelectorAll('img')) {
    const shown = img.getBoundingClientRect();
    const result = {alt: img.alt, complete: img.complete, natural: img.naturalWidth,
                    width: shown.width, height: shown.height, names: null, smallest: null};
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
        const names = [...inline.querySelectorAll('g[data-staff] text.name')];
        result.names = names.length;
        for (const name of names) {
            const px = parseFloat(getComputedStyle(name).fontSize) * name.getScreenCTM().a;
            result.smallest = result.smallest === null ? px : Math.min(result.smallest, px);
        }
        holder.remove();
    }
    results.push(result);
}
return {window: window.innerWidth, column: parseFloat(getComputedStyle(document.body).width),
        pictures: results};
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
                     "--disable-component-update", "--disable-sync",
                     f"--user-data-dir={profile}", f"--window-size={WINDOW_WIDTH},800"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service(executable_path=CHROMEDRIVER), options=options)


def check(page, links):
    """The failures, one line each, and what was measured, for a person."""
    with tempfile.TemporaryDirectory() as profile:
        browser = open_browser(profile)
        try:
            browser.get("file://" + page)
            seen = browser.execute_script(MEASURE)
        finally:
            browser.quit()
    failures = []
    report = [f"window {seen['window']} px wide, the guide's column {seen['column']:.0f} px"]
    if seen["window"] != WINDOW_WIDTH:
        failures.append(f"the window is {seen['window']} px wide, not {WINDOW_WIDTH}")
    pictures = seen["pictures"]
    if len(pictures) != len(links):
        failures.append(f"the page shows {len(pictures)} pictures, the guide links {len(links)}")
    staff_pictures = 0
    for picture, link in zip(pictures, links):
        if not picture["complete"] or not picture["natural"] > 0:
            failures.append(f"{link}: not loaded")
            continue
        if not picture["names"]:
            continue
        staff_pictures += 1
        report.append(f"{link}: shown {picture['width']:.0f} x {picture['height']:.0f} px, "
                      f"names {picture['smallest']:.2f} px high")
        if picture["smallest"] < MIN_NAME_PX:
            failures.append(f"{link}: shown {picture['width']:.0f} px wide, its staves' names "
                            f"are {picture['smallest']:.2f} px high, less than {MIN_NAME_PX}")
    svg_links = [link for link in links if link.endswith(".svg")]
    if staff_pictures != len(svg_links):
        failures.append(f"{staff_pictures} staff pictures with names, the guide links "
                        f"{len(svg_links)} SVG pictures")
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
        print("every picture loads, and every staff name is legible")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
