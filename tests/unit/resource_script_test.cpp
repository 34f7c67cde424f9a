// The resource script parser, on the plug-in's own script and on scripts it must refuse.
#include "resource/resource_script.h"

#include <gtest/gtest.h>

namespace {

TEST(ResourceScriptTest, BuiltInScriptGivesThePluginsDialog) {
    const DialogTemplate& dialog = mainDialogTemplate();
    EXPECT_EQ(dialog.resourceId, 20128);
    EXPECT_EQ(dialog.resourceName, "IDD_MAIN_DIALOG");
    EXPECT_EQ(dialog.style, 0x10C008C0u);
    EXPECT_EQ(dialog.x, 10);
    EXPECT_EQ(dialog.y, 34);
    EXPECT_EQ(dialog.width, 329);
    EXPECT_EQ(dialog.height, 164);
    EXPECT_EQ(dialog.fontSize, 8);
    EXPECT_EQ(dialog.fontName, "MS Sans Serif");
    EXPECT_EQ(dialog.caption, "");
    ASSERT_EQ(dialog.controls.size(), 27u);

    SCOPED_TRACE("full style words, classes and IDs");
    struct Expected {
        size_t index;
        int id;
        const char* className;
        uint16_t atom;
        uint32_t style;
    };
    const Expected expected[] = {
        {0, 101, "Static", 0x82, 0x50000000},        {1, 102, "ListBox", 0x83, 0x50A10841},
        {2, 103, "Button", 0x80, 0x50010000},        {6, 118, "Button", 0x80, 0x50000107},
        {7, 105, "Edit", 0x81, 0x50810080},          {8, 123, "msctls_updown32", 0, 0x500000B4},
        {10, 104, "Static", 0x82, 0x50000001},       {12, 107, "ComboBox", 0x85, 0x50210203},
        {13, 112, "msctls_updown32", 0, 0x50000094}, {14, 110, "Button", 0x80, 0x50010103},
        {16, 113, "Button", 0x80, 0x50030109},       {17, 114, "Button", 0x80, 0x50000109},
        {18, 115, "Edit", 0x81, 0x50812080},         {22, 125, "msctls_updown32", 0, 0x500000B6},
        {25, 1, "Button", 0x80, 0x50010001},         {26, 2, "Button", 0x80, 0x50010000},
    };
    for (const Expected& want : expected) {
        const ControlTemplate& control = dialog.controls[want.index];
        EXPECT_EQ(control.id, want.id) << "control " << want.index;
        EXPECT_EQ(control.className, want.className) << "control " << want.index;
        EXPECT_EQ(control.classAtom, want.atom) << "control " << want.index;
        EXPECT_EQ(control.style, want.style) << "control " << want.index;
    }

    SCOPED_TRACE("texts, names and places");
    EXPECT_EQ(dialog.controls[3].idName, "IDC_BELOW");
    EXPECT_EQ(dialog.controls[3].text, "&Below");
    EXPECT_EQ(dialog.controls[10].idName, "IDC_BELOW");
    EXPECT_EQ(dialog.controls[10].text, "(Negative = push down)");
    EXPECT_EQ(dialog.controls[25].idName, "IDOK");
    const ControlTemplate& lastSpin = dialog.controls[22];
    EXPECT_EQ(lastSpin.x, 312);
    EXPECT_EQ(lastSpin.y, 101);
    EXPECT_EQ(lastSpin.width, 10);
    EXPECT_EQ(lastSpin.height, 13);
}

const char* const ids = "// IDs\n#pragma once\n#define IDD_TEST 7\n#define IDC_NAME 0x20\n";

DialogTemplate parsed(const std::string& script) {
    DialogTemplate dialog;
    std::string error;
    EXPECT_TRUE(parseResourceScript(script, ids, dialog, error)) << error;
    return dialog;
}

std::string errorOf(const std::string& script, const std::string& header = ids) {
    DialogTemplate dialog;
    dialog.resourceId = 99;
    std::string error;
    EXPECT_FALSE(parseResourceScript(script, header, dialog, error)) << script;
    EXPECT_EQ(dialog.resourceId, 99) << "a refused script leaves the template alone";
    return error;
}

TEST(ResourceScriptTest, StatementsAsTheResourceCompilerReadsThem) {
    SCOPED_TRACE("no STYLE: a popup with border and system menu; CAPTION adds WS_CAPTION");
    DialogTemplate dialog = parsed("IDD_TEST DIALOG 0, 0, 10, 10\r\nCAPTION \"Say \"\"hi\"\"\"\n"
                                   "{\n CONTROL \"x\", 5, \"BUTTON\", 0x1, -1, 2, 3, 4\n}\n");
    EXPECT_EQ(dialog.resourceId, 7);
    EXPECT_EQ(dialog.style, 0x80C80000u);
    EXPECT_EQ(dialog.caption, "Say \"hi\"");
    ASSERT_EQ(dialog.controls.size(), 1u);
    const ControlTemplate& control = dialog.controls[0];
    EXPECT_EQ(control.className, "Button") << "class names match without regard to case";
    EXPECT_EQ(control.classAtom, 0);
    EXPECT_EQ(control.style, 0x50000001u) << "controls are visible child windows";
    EXPECT_EQ(control.idName, "5");
    EXPECT_EQ(control.x, -1);

    SCOPED_TRACE("FONT adds DS_SETFONT");
    dialog = parsed("7 DIALOG 0, 0, 10, 10\nSTYLE 0\nFONT 9, \"Tahoma\"\nBEGIN\nEND\n");
    EXPECT_EQ(dialog.style, 0x40u);
    EXPECT_TRUE(dialog.controls.empty());
}

TEST(ResourceScriptTest, RefusedScriptsNameTheLine) {
    const std::string head = "IDD_TEST DIALOG 0, 0, 10, 10\nBEGIN\n";
    EXPECT_EQ(errorOf(head + "CONTROL \"a\", IDC_NAME, 0x0080, WS_BOGUS, 1, 2, 3, 4\nEND\n"),
              "script line 3: expected a style constant, found 'WS_BOGUS'");
    EXPECT_EQ(errorOf(head + "CONTROL \"a\", IDC_OTHER, 0x0080, 0, 1, 2, 3, 4\nEND\n"),
              "script line 3: expected the control's ID defined in the ID header, found "
              "'IDC_OTHER'");
    EXPECT_EQ(errorOf(head + "CONTROL \"a\" IDC_NAME, 0x0080, 0, 1, 2, 3, 4\nEND\n"),
              "script line 3: expected ',' after the control's text, found 'IDC_NAME'");
    EXPECT_EQ(errorOf(head + "CONTROL \"a\", 1, 0x0084, 0, 1, 2, 3, 4\nEND\n"),
              "script line 3: expected a known control class, found '0x0084'");
    EXPECT_EQ(errorOf(head + "CONTROL \"a, 1\nEND\n"), "script line 3: a string is not closed");
    EXPECT_EQ(errorOf(head + "CONTROL \"a\", 1, 0x0080, 0, 1, 2, 3, 4\n"),
              "script line 3: expected CONTROL or END, found the end of the script");
    EXPECT_EQ(errorOf(head + "END\nIDD_TEST DIALOG 0, 0, 1, 1\n"),
              "script line 4: expected nothing after END (one dialog only), found 'IDD_TEST'");
    EXPECT_EQ(errorOf("IDD_TEST DIALOGEX 0, 0, 10, 10\nBEGIN\nEND\n"),
              "script line 1: expected DIALOG (the extended template is not understood), found "
              "'DIALOGEX'");
    EXPECT_EQ(errorOf("IDD_TEST DIALOG 0, 0, 40000, 10\nBEGIN\nEND\n"),
              "script line 1: expected width from -32768 to 32767, found '40000'");
    EXPECT_EQ(errorOf("#define X 1\n" + head + "END\n"),
              "script line 1: the directive #define is not understood");
    EXPECT_EQ(errorOf(head + "END\n", "#define IDD_TEST seven\n"),
              "ID header line 1: expected #define NAME NUMBER");
    EXPECT_EQ(errorOf(head + "END\n", "#define IDOK 3\n"),
              "ID header line 1: IDOK is defined twice");
}

} // namespace
