// The plug-in's dialog resource as the substitute host reads it: parsed from the plug-in's own
// resource script (plugin/dialog/main_dialog.rc with its ID header), which is built into the host,
// so that no second copy of the controls exists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ControlTemplate {
    std::string text;
    int id = 0;
    std::string idName;     // the ID's name in the script, such as "IDC_ABOVE" or "IDOK"
    uint16_t classAtom = 0; // 0x0080 Button .. 0x0085 ComboBox; 0 when the class is named
    std::string className;  // "Button", "Edit", "Static", "ListBox", "ComboBox", "msctls_updown32"
    uint32_t style = 0;     // the full style word
    int x = 0, y = 0, width = 0, height = 0; // dialog units
};

struct DialogTemplate {
    int resourceId = 0;
    std::string resourceName; // "IDD_MAIN_DIALOG"
    uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int fontSize = 0;
    std::string fontName;
    std::string caption;
    std::vector<ControlTemplate> controls; // in template order
};

// What a control is, by its class and, for buttons, its style.
enum class ControlKind {
    label,       // Static
    pushButton,  // Button, BS_PUSHBUTTON or BS_DEFPUSHBUTTON
    groupBox,    // Button, BS_GROUPBOX
    checkBox,    // Button, BS_AUTOCHECKBOX
    radioButton, // Button, BS_AUTORADIOBUTTON
    edit,        // Edit
    listBox,     // ListBox
    comboBox,    // ComboBox, drop-down list
    upDown       // msctls_updown32
};

ControlKind controlKind(const ControlTemplate& control);

// The names under which scenarios and snapshots know the controls, in template order: the ID's
// name; a later control whose ID name is taken already gets a name of its own, a label
// NAME_LABEL ("IDC_BELOW_LABEL"), any other control NAME_INDEX.
std::vector<std::string> controlNames(const DialogTemplate& source);

// Parses a resource script holding one DIALOG resource whose IDs are #defined in `idsHeader`
// (IDOK and IDCANCEL are known). Returns false with a message naming the line when the script
// holds anything it does not understand.
bool parseResourceScript(const std::string& script, const std::string& idsHeader,
                         DialogTemplate& dialog, std::string& error);

// The plug-in's dialog, parsed once from the built-in copy of its resource script.
const DialogTemplate& mainDialogTemplate();

// The plug-in's resource script and its ID header, as built into the host from their files.
const char* builtInDialogScript();
const char* builtInDialogIds();
