#!/usr/bin/python3
"""Reads the built Windows plug-in, orvanelumbrel.dll, as a PE image and checks what it holds.

Checks:
  - the file is a 32-bit (PE32, i386) DLL;
  - the export table holds exactly the six host entry points, by undecorated name, at their
    fixed ordinals, with no ordinal-only exports and no forwarders;
  - imports come only from KERNEL32, USER32, ADVAPI32 and msvcrt (the C++ runtime, libgcc and
    winpthreads are linked in statically, common controls are not linked), and USER32 and
    ADVAPI32 supply the calls the plug-in makes, and KERNEL32 its heap;
  - the only resource is the main dialog: RT_DIALOG, ID 20128, neutral language;
  - that dialog is a standard DLGTEMPLATE whose frame and 27 controls match, field by field,
    the table written out below, with no bytes after the last control beyond DWORD padding;
  - it carries no Authenticode signature (no certificate table).

With --signed-copy FILE, a copy of the DLL signed as scripts/release signs it
(tools/release_signature.py), with a throwaway certificate made at run time, is written to FILE
(for the wine_signed_dll test to play) and checked the same way: the signature is no resource,
so the same exports, imports and one dialog; and it has its certificate table.

Prints one line per failed check and exits 1 if any failed, 0 if all passed. Exits 77 (the
CTest skip code) when the DLL has not been built or the pefile module is not installed, or for
--signed-copy openssl or osslsigncode.
"""

import argparse
import os
import shutil
import struct
import sys

try:
    import pefile
except ImportError:
    pefile = None

SKIP = 77
SIGNING_TIME = 1700000000  # any time: the image does not depend on it

IMAGE_FILE_MACHINE_I386 = 0x014C
IMAGE_NT_OPTIONAL_HDR32_MAGIC = 0x010B
IMAGE_FILE_DLL = 0x2000

EXPECTED_EXPORTS = {
    "FinaleExtensionVersion": 1,
    "FinaleExtensionInit": 2,
    "FinaleExtensionEnumerate": 3,
    "FinaleExtensionInvoke": 4,
    "FinaleExtensionTerminate": 5,
    "FinaleExtensionGetMenuStatus": 6,
}

ALLOWED_DLLS = ("kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll")
STATICALLY_LINKED = ("comctl32", "libstdc++", "libgcc", "libwinpthread")
REQUIRED_IMPORTS = {
    "user32.dll": ("MessageBoxA", "SendDlgItemMessageA", "SendMessageA", "GetDlgItem",
                   "wsprintfA"),
    "advapi32.dll": ("RegOpenKeyExA", "RegQueryValueExA", "RegCreateKeyExA", "RegSetValueExA",
                     "RegCloseKey"),
    # the plug-in's own memory, which lumbrel-winhost can make fail through the import table
    "kernel32.dll": ("GetProcessHeap", "HeapAlloc", "HeapFree"),
}

RT_DIALOG = 5
DIALOG_ID = 20128
LANG_NEUTRAL = 0
RESOURCE_TYPE_NAMES = {
    1: "RT_CURSOR", 2: "RT_BITMAP", 3: "RT_ICON", 4: "RT_MENU", 5: "RT_DIALOG",
    6: "RT_STRING", 9: "RT_ACCELERATOR", 10: "RT_RCDATA", 14: "RT_GROUP_ICON",
    16: "RT_VERSION", 24: "RT_MANIFEST",
}

DS_SETFONT = 0x40
DLGTEMPLATEEX_SIGNATURE = 0xFFFF0001

BUTTON = 0x0080
EDIT = 0x0081
STATIC = 0x0082
LISTBOX = 0x0083
COMBOBOX = 0x0085
UPDOWN = "msctls_updown32"

# Empty menu, class and text fields are the single zero word; they read back as "".
EXPECTED_FRAME = {
    "style": 0x10C008C0, "ex_style": 0, "count": 27,
    "x": 10, "y": 34, "cx": 329, "cy": 164,
    "menu": "", "class": "", "caption": "",
    "point_size": 8, "typeface": "MS Sans Serif",
}

CONTROL_COLUMNS = ("id", "class", "text", "style", "x", "y", "cx", "cy")
EXPECTED_CONTROLS = (
    (101, STATIC, "&Instruments:", 0x50000000, 11, 7, 85, 10),
    (102, LISTBOX, "", 0x50A10841, 11, 17, 85, 139),
    (103, BUTTON, "&Above", 0x50010000, 104, 12, 40, 14),
    (104, BUTTON, "&Below", 0x50010000, 104, 33, 40, 14),
    (109, BUTTON, "A&ll", 0x50010000, 152, 12, 40, 14),
    (121, BUTTON, "&None", 0x50010000, 152, 33, 40, 14),
    (118, BUTTON, "&Push...", 0x50000107, 220, 7, 103, 48),
    (105, EDIT, "", 0x50810080, 225, 21, 42, 12),
    (123, UPDOWN, "", 0x500000B4, 263, 20, 10, 15),
    (106, STATIC, "EVPUs", 0x50000000, 272, 23, 46, 8),
    (104, STATIC, "(Negative = push down)", 0x50000001, 223, 39, 97, 8),
    (119, BUTTON, "&Staff systems to affect:", 0x50000107, 101, 62, 123, 55),
    (107, COMBOBOX, "", 0x50210203, 106, 77, 111, 40),
    (112, UPDOWN, "", 0x50000094, 210, 76, 10, 14),
    (110, BUTTON, "A&utomatically Update Layout", 0x50010103, 101, 123, 122, 10),
    (120, BUTTON, "Optimized staff systems", 0x50000107, 227, 62, 96, 91),
    (113, BUTTON, "All s&taff systems", 0x50030109, 233, 73, 84, 10),
    (114, BUTTON, "Selected staff s&ystems", 0x50000109, 233, 85, 84, 10),
    (115, EDIT, "", 0x50812080, 234, 101, 26, 12),
    (124, UPDOWN, "", 0x500000B6, 257, 101, 10, 15),
    (116, STATIC, "to", 0x50000001, 264, 103, 15, 8),
    (117, EDIT, "", 0x50812080, 285, 101, 29, 12),
    (125, UPDOWN, "", 0x500000B6, 312, 101, 10, 13),
    (122, STATIC, "Text", 0x50000001, 234, 115, 83, 8),
    (108, BUTTON, "Smart &filter", 0x50010103, 237, 136, 82, 11),
    (1, BUTTON, "OK", 0x50010001, 112, 143, 40, 14),
    (2, BUTTON, "Cancel", 0x50010000, 170, 143, 40, 14),
)
CONTROL_DEFAULTS = {"ex_style": 0, "extra": 0}

FRAME_FIELDS = ("style", "ex_style", "count", "x", "y", "cx", "cy", "menu", "class", "caption",
                "point_size", "typeface")
CONTROL_FIELDS = ("style", "ex_style", "x", "y", "cx", "cy", "id", "class", "text", "extra")
HEX_FIELDS = ("style", "ex_style")


class TemplateError(Exception):
    """The template's bytes end early or do not follow the DLGTEMPLATE layout."""


class TemplateReader:
    """Reads little-endian fields from a dialog template, tracking the byte offset."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def unpack(self, fmt, what):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise TemplateError(f"ends at byte {len(self.data)} while reading {what} "
                                f"at byte {self.pos}")
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += size
        return values

    def word(self, what):
        return self.unpack("H", what)[0]

    def string(self, what):
        """A zero-terminated UTF-16 string."""
        units = []
        while True:
            unit = self.word(what)
            if unit == 0:
                break
            units.append(unit)
        raw = struct.pack(f"<{len(units)}H", *units)
        return raw.decode("utf-16-le", errors="surrogatepass")

    def string_or_ordinal(self, what):
        """0xFFFF followed by an ordinal (returned as int), or a string; a lone zero is ""."""
        if self.pos + 2 <= len(self.data) and self.data[self.pos:self.pos + 2] == b"\xff\xff":
            self.pos += 2
            return self.word(what + " ordinal")
        return self.string(what)

    def skip(self, count, what):
        if self.pos + count > len(self.data):
            raise TemplateError(f"ends at byte {len(self.data)} within {what} "
                                f"({count} bytes from byte {self.pos})")
        self.pos += count

    def align_dword(self):
        self.pos = (self.pos + 3) & ~3


class ParsedTemplate:
    """What could be read from a template; error says where reading stopped, if it did."""

    def __init__(self):
        self.frame = {}
        self.controls = []
        self.end = 0
        self.error = None


def read_frame(reader, frame):
    style, ex_style, count = reader.unpack("IIH", "the frame's style, extended style and count")
    if style == DLGTEMPLATEEX_SIGNATURE:
        raise TemplateError("found an extended DLGTEMPLATEEX (begins 0xFFFF0001), "
                            "expected a standard DLGTEMPLATE")
    frame.update(style=style, ex_style=ex_style, count=count)
    frame.update(zip(("x", "y", "cx", "cy"), reader.unpack("hhhh", "the frame's position")))
    frame["menu"] = reader.string_or_ordinal("the menu")
    frame["class"] = reader.string_or_ordinal("the window class")
    frame["caption"] = reader.string("the caption")
    if style & DS_SETFONT:
        frame["point_size"] = reader.word("the font's point size")
        frame["typeface"] = reader.string("the typeface")
    else:
        frame["point_size"] = frame["typeface"] = None


def read_control(reader, index):
    what = f"control {index}"
    reader.align_dword()
    control = {}
    control.update(zip(("style", "ex_style"), reader.unpack("II", what + " styles")))
    control.update(zip(("x", "y", "cx", "cy", "id"), reader.unpack("hhhhH", what + " position")))
    control["class"] = reader.string_or_ordinal(what + " class")
    control["text"] = reader.string_or_ordinal(what + " text")
    control["extra"] = reader.word(what + " creation data count")
    reader.skip(control["extra"], what + " creation data")
    return control


def parse_dialog_template(data):
    """Reads a standard DLGTEMPLATE and its items, as far as the bytes allow."""
    parsed = ParsedTemplate()
    reader = TemplateReader(data)
    try:
        read_frame(reader, parsed.frame)
        for index in range(parsed.frame["count"]):
            parsed.controls.append(read_control(reader, index))
    except TemplateError as error:
        parsed.error = str(error)
    parsed.end = reader.pos
    return parsed


def describe(field, value):
    if value is None:
        return "none"
    if isinstance(value, int) and field in HEX_FIELDS:
        return f"0x{value:08X}"
    if isinstance(value, int) and field in ("class", "menu"):
        return f"atom 0x{value:04X}"
    if isinstance(value, int) and field == "text":
        return f"ordinal {value}"
    if value == "":
        return "empty (a single zero word)"
    if isinstance(value, str):
        return ascii(value)
    return str(value)


def same_value(want, got):
    """Equal and of the same kind (atom or name, ordinal or text); class names in their case."""
    return type(want) is type(got) and want == got


def compare_fields(label, fields, expected, found):
    """One failure per field present in found that differs from expected."""
    failures = []
    for field in fields:
        if field not in found:
            continue
        want, got = expected[field], found[field]
        if not same_value(want, got):
            failures.append(f"{label} {field}: expected {describe(field, want)}, "
                            f"found {describe(field, got)}")
    return failures


def check_trailing_bytes(data, end):
    padded_end = (end + 3) & ~3
    leftover = data[end:]
    if len(data) <= padded_end and not any(leftover):
        return []
    return [f"dialog template: {len(data) - end} bytes left over after the last control "
            f"(it ends at byte {end}, the resource holds {len(data)})"]


def check_dialog_template(data):
    parsed = parse_dialog_template(data)
    failures = compare_fields("dialog frame", FRAME_FIELDS, EXPECTED_FRAME, parsed.frame)
    for index, (row, found) in enumerate(zip(EXPECTED_CONTROLS, parsed.controls)):
        expected = dict(zip(CONTROL_COLUMNS, row), **CONTROL_DEFAULTS)
        label = f"dialog control {index} (id {row[0]})"
        failures += compare_fields(label, CONTROL_FIELDS, expected, found)
    if parsed.error:
        failures.append(f"dialog template: {parsed.error}")
    else:
        failures += check_trailing_bytes(data, parsed.end)
    return failures


def check_image_kind(pe):
    failures = []
    machine = pe.FILE_HEADER.Machine
    if machine != IMAGE_FILE_MACHINE_I386:
        failures.append(f"image: expected machine i386 (0x{IMAGE_FILE_MACHINE_I386:04x}), "
                        f"found 0x{machine:04x}")
    magic = pe.OPTIONAL_HEADER.Magic
    if magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC:
        failures.append(f"image: expected a PE32 optional header (magic 0x10b), "
                        f"found magic 0x{magic:x}")
    if not pe.FILE_HEADER.Characteristics & IMAGE_FILE_DLL:
        failures.append("image: expected the IMAGE_FILE_DLL characteristic, found it clear")
    return failures


def found_exports(pe, failures):
    """Maps each named export to its ordinal; ordinal-only and forwarded ones become failures."""
    exports = {}
    for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols:
        if symbol.name is None:
            failures.append(f"exports: expected names only, found ordinal {symbol.ordinal} "
                            "exported without a name")
            continue
        name = symbol.name.decode("ascii", errors="replace")
        if symbol.forwarder is not None:
            target = symbol.forwarder.decode("ascii", errors="replace")
            failures.append(f"exports: {ascii(name)} is forwarded to {ascii(target)}, "
                            "expected code in this DLL")
        if name in exports:
            failures.append(f"exports: {ascii(name)} is exported twice")
        exports[name] = symbol.ordinal
    return exports


def check_exports(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        return ["exports: expected the six entry points, found no export table"]
    failures = []
    count = pe.DIRECTORY_ENTRY_EXPORT.struct.NumberOfFunctions
    if count != len(EXPECTED_EXPORTS):
        failures.append(f"exports: expected {len(EXPECTED_EXPORTS)} functions, found {count}")
    exports = found_exports(pe, failures)
    for name, ordinal in EXPECTED_EXPORTS.items():
        if name not in exports:
            failures.append(f"exports: expected {name} at ordinal {ordinal}, found it missing")
        elif exports[name] != ordinal:
            failures.append(f"exports: expected {name} at ordinal {ordinal}, "
                            f"found ordinal {exports[name]}")
    for name in sorted(set(exports) - set(EXPECTED_EXPORTS)):
        failures.append(f"exports: unexpected export {ascii(name)} at ordinal {exports[name]}")
    return failures


def found_imports(pe):
    """Maps each imported DLL (lower case) to the set of function names taken from it."""
    imports = {}
    for attribute in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for entry in getattr(pe, attribute, []):
            dll = entry.dll.decode("ascii", errors="replace").lower()
            names = imports.setdefault(dll, set())
            for function in entry.imports:
                if function.name is not None:
                    names.add(function.name.decode("ascii", errors="replace"))
    return imports


def check_imports(pe):
    failures = []
    imports = found_imports(pe)
    for dll in sorted(imports):
        if any(dll.startswith(runtime) for runtime in STATICALLY_LINKED):
            failures.append(f"imports: found {ascii(dll)}, expected it linked statically "
                            "or not at all")
        elif dll not in ALLOWED_DLLS:
            failures.append(f"imports: found {ascii(dll)}, expected only "
                            f"{', '.join(ALLOWED_DLLS)}")
    for dll, required in REQUIRED_IMPORTS.items():
        for name in required:
            if name not in imports.get(dll, ()):
                failures.append(f"imports: expected {name} from {dll}, found it missing")
    return failures


def resource_key(entry):
    return str(entry.name) if entry.name is not None else entry.id


def resource_leaves(pe):
    """Yields (type, name, language, data entry) for every leaf of the resource tree."""
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name_entry in getattr(getattr(type_entry, "directory", None), "entries", []):
            for lang_entry in getattr(getattr(name_entry, "directory", None), "entries", []):
                yield (resource_key(type_entry), resource_key(name_entry),
                       resource_key(lang_entry), getattr(lang_entry, "data", None))


def describe_resource(kind, name, language):
    kind_text = RESOURCE_TYPE_NAMES.get(kind, ascii(kind) if isinstance(kind, str) else kind)
    name_text = ascii(name) if isinstance(name, str) else name
    return f"type {kind_text}, ID {name_text}, language {language}"


def find_dialog_resource(pe, failures):
    """Returns the dialog's data entry; every other resource becomes a failure."""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        failures.append("resources: expected the dialog, found no resource directory")
        return None
    dialog = None
    wanted = (RT_DIALOG, DIALOG_ID, LANG_NEUTRAL)
    for kind, name, language, data in resource_leaves(pe):
        if (kind, name, language) == wanted and dialog is None:
            dialog = data
        else:
            failures.append("resources: expected only the dialog (" + describe_resource(*wanted)
                            + "), found " + describe_resource(kind, name, language))
    if dialog is None:
        failures.append(f"resources: expected the dialog ({describe_resource(*wanted)}), "
                        "found it missing")
    return dialog


def dialog_bytes(pe, data_entry, failures):
    rva, size = data_entry.struct.OffsetToData, data_entry.struct.Size
    try:
        data = pe.get_data(rva, size)
    except pefile.PEFormatError as error:
        failures.append(f"resources: the dialog's data at RVA 0x{rva:x} cannot be read: {error}")
        return None
    if len(data) != size:
        failures.append(f"resources: the dialog's data entry claims {size} bytes, "
                        f"the image holds {len(data)}")
    return data


def check_resources(pe):
    failures = []
    data_entry = find_dialog_resource(pe, failures)
    if data_entry is not None and not hasattr(data_entry, "struct"):
        failures.append("resources: the dialog's entry has no data")
    elif data_entry is not None:
        data = dialog_bytes(pe, data_entry, failures)
        if data is not None:
            failures += check_dialog_template(data)
    return failures


def check_certificate_table(pe, signed):
    """The certificate table, which holds an Authenticode signature: there when signed, else
    not."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    if signed and entry.Size == 0:
        return ["signature: expected a certificate table, found none"]
    if not signed and entry.Size != 0:
        return [f"signature: expected none, found a certificate table of {entry.Size} bytes"]
    return []


def check_image(path, signed=False):
    try:
        with open(path, "rb") as image:
            pe = pefile.PE(data=image.read())
    except (pefile.PEFormatError, OSError) as error:
        return [f"image: expected a PE image in {path}, found one that cannot be read: {error}"]
    failures = check_image_kind(pe)
    for check in (check_exports, check_imports, check_resources):
        failures += check(pe)
    return failures + check_certificate_table(pe, signed)


def signed_copy(dll, out):
    """Signs a copy of the DLL at `dll` with a throwaway certificate, as a release is signed, and
    writes it to `out` whole or not at all."""
    from check_release_archive import throwaway_signed
    with open(dll, "rb") as image:
        signed, _ = throwaway_signed(image.read(), SIGNING_TIME)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    partial = out + ".partial"
    with open(partial, "wb") as image:
        image.write(signed)
    os.replace(partial, out)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description="Check the built orvanelumbrel.dll: its machine type, exports, imports, "
                    "resources and the main dialog template, field by field. Exits 0 when "
                    "every check passes, 1 when any fails, 77 when the DLL or pefile is "
                    "missing.")
    parser.add_argument("dll", help="path to the built orvanelumbrel.dll")
    parser.add_argument("--signed-copy", metavar="FILE",
                        help="also sign a copy with a throwaway certificate into FILE, and "
                        "check it")
    return parser.parse_args(argv)


def main(argv=None):
    arguments = parse_arguments(argv)
    if not os.path.exists(arguments.dll):
        print(f"skipped: {arguments.dll} does not exist (build the win32 preset first)")
        return SKIP
    if pefile is None:
        print("skipped: the Python module pefile is not installed (Debian: python3-pefile)")
        return SKIP
    failures = check_image(arguments.dll)
    if arguments.signed_copy and not failures:
        missing = [name for name in ("openssl", "osslsigncode") if shutil.which(name) is None]
        if missing:
            print(f"skipped: {' and '.join(missing)} not installed (Debian packages openssl, "
                  "osslsigncode): the DLL is as expected, its signed copy is not made")
            return SKIP
        signed_copy(arguments.dll, arguments.signed_copy)
        failures += [f"signed copy: {failure}"
                     for failure in check_image(arguments.signed_copy, signed=True)]
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
