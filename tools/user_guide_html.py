#!/usr/bin/python3
"""Turns the user guide, written in Markdown, into one self-contained HTML file.

Every picture the guide shows (Markdown images and <img> tags alike) is read from its path,
relative to the guide's folder, and embedded in the page as a data: URI, so that the page shows
them wherever it is opened. The page fits any screen: on a narrow one, long code wraps, each
table row is laid out as a block, every cell after its column's header, and pictures shrink.
The output depends on nothing but the guide, its pictures and the markdown module's version: no
time, path or host name goes into it.

Usage: user_guide_html.py GUIDE.md OUTPUT.html
Exits 2, naming the guide and the picture, when a picture is missing or not a local file of a
known kind, and when the markdown module (Debian's python3-markdown) is not installed.
"""

import base64
import html
import os
import re
import sys

try:
    import markdown
except ImportError:
    markdown = None

PICTURE_TYPES = {
    ".png": "image/png",
    ".svg": "image/svg+xml",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".gif": "image/gif",
}

# src of an <img> tag, in double or single quotes, as Markdown writes it or the guide does
IMG_SRC = re.compile(r"""(<img\b[^>]*?\bsrc=)(["'])(.*?)\2""", re.IGNORECASE | re.DOTALL)

PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<style>
body {{ font-family: "Segoe UI", Arial, sans-serif; line-height: 1.5; max-width: 48em;
       margin: 2em auto; padding: 0 1em; color: #222; overflow-wrap: break-word; }}
img {{ max-width: 100%; height: auto; }}
code, pre {{ font-family: Consolas, "Courier New", monospace; background: #f4f4f4; }}
code {{ overflow-wrap: anywhere; }}
pre {{ padding: 0.5em; overflow-x: auto; white-space: pre-wrap; }}
table {{ border-collapse: collapse; display: block; overflow-x: auto; }}
th, td {{ border: 1px solid #bbb; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }}
@media (max-width: 40em) {{
  body {{ margin: 1em auto; padding: 0 0.75em; }}
  ul, ol {{ padding-left: 1.5em; }}
  table, thead, tbody, tr, td {{ display: block; }}
  thead {{ display: none; }}
  tr {{ border: 1px solid #bbb; margin: 0 0 0.5em; padding: 0.2em 0; }}
  td {{ border: none; }}
  td:empty {{ display: none; }}
  td[data-label]::before {{ content: attr(data-label) ": "; font-weight: bold; }}
}}
</style>
</head>
<body>
{body}
</body>
</html>
"""

# a table's header cells, and the rows of its body
TABLE = re.compile(r"<table>.*?</table>", re.DOTALL)
HEADER_CELL = re.compile(r"<th\b[^>]*>(.*?)</th>", re.DOTALL)
ROW = re.compile(r"<tr>.*?</tr>", re.DOTALL)


class GuideError(Exception):
    pass


def data_uri(guide, src):
    """The picture at src (relative to the guide's folder) as a data: URI."""
    if src.startswith("data:"):
        return src
    if re.match(r"^[a-z][a-z0-9+.-]*:", src, re.IGNORECASE) or src.startswith("//"):
        raise GuideError(f"{guide}: picture {src}: not a local file, so the page could not "
                         "show it offline")
    path = os.path.join(os.path.dirname(guide), src.split("#")[0].split("?")[0])
    kind = PICTURE_TYPES.get(os.path.splitext(path)[1].lower())
    if kind is None:
        raise GuideError(f"{guide}: picture {src}: unknown kind (expected one of "
                         f"{', '.join(sorted(PICTURE_TYPES))})")
    try:
        with open(path, "rb") as picture:
            content = picture.read()
    except OSError as error:
        raise GuideError(f"{guide}: picture {src}: {error.strerror}") from None
    return f"data:{kind};base64,{base64.b64encode(content).decode('ascii')}"


def labelled_cells(table):
    """The table with each body cell labelled (data-label) by its column's header, which a
    narrow screen shows before the cell when it lays the rows out one under the other."""
    labels = [html.escape(re.sub(r"<[^>]+>", "", html.unescape(cell)).strip(), quote=True)
              for cell in HEADER_CELL.findall(table)]

    def row(match):
        cells = iter(labels)
        return re.sub(r"<td\b", lambda cell: f'<td data-label="{next(cells, "")}"',
                      match.group(0))

    return ROW.sub(row, table)


def guide_page(guide):
    """The HTML page of the guide at path guide, pictures embedded; raises GuideError."""
    with open(guide, encoding="utf-8") as source:
        text = source.read()
    converter = markdown.Markdown(extensions=["extra", "sane_lists", "toc"])
    body = converter.convert(text)
    body = IMG_SRC.sub(lambda m: m.group(1) + '"' + data_uri(guide, m.group(3)) + '"', body)
    body = TABLE.sub(lambda m: labelled_cells(m.group(0)), body)
    headings = converter.toc_tokens
    title = headings[0]["name"] if headings else "Lumbrel"
    return PAGE.format(title=title, body=body)


def main(argv):
    if len(argv) != 3:
        print("usage: user_guide_html.py GUIDE.md OUTPUT.html", file=sys.stderr)
        return 2
    if markdown is None:
        print("user_guide_html.py: the markdown module is missing (Debian package "
              "python3-markdown; scripts/bootstrap installs it)", file=sys.stderr)
        return 2
    guide, output = argv[1], argv[2]
    try:
        page = guide_page(guide)
    except (GuideError, OSError, UnicodeDecodeError) as error:
        print(f"user_guide_html.py: {error}", file=sys.stderr)
        return 2
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write(page)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
