"""Writes back the case of the window class names that a dialog resource script gives.

windres stores every class name of a CONTROL statement in upper case ("MSCTLS_UPDOWN32"). Window
classes are found without regard to case, but the dialog template is to hold the names exactly as
the script writes them. This rewrites each upper-cased name in the compiled .res file to the
script's spelling; the two have the same length, so nothing else in the file moves.

Usage: keep_class_case.py SCRIPT.rc INPUT.res OUTPUT.res
"""

import re
import sys


def class_names(script):
    """The quoted class names of the script's CONTROL statements."""
    pattern = re.compile(r'^\s*CONTROL\s+"(?:[^"]|"")*"\s*,\s*[^,]+,\s*"([^"]+)"', re.M)
    return sorted(set(pattern.findall(script)))


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    script_path, input_path, output_path = argv[1:]
    with open(script_path, encoding="latin-1") as script_file:
        names = class_names(script_file.read())
    with open(input_path, "rb") as input_file:
        data = input_file.read()
    for name in names:
        stored = name.upper().encode("utf-16-le") + b"\0\0"
        written = name.encode("utf-16-le") + b"\0\0"
        data = data.replace(stored, written)
    with open(output_path, "wb") as output_file:
        output_file.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
