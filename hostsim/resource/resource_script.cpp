#include "resource/resource_script.h"

#include "resource/win32_constants.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {

enum class TokenKind { name, number, text, comma, bar, begin, end, finish };

struct Token {
    TokenKind kind = TokenKind::finish;
    std::string text; // a name, a number as written, or a string's contents
    long long number = 0;
    int line = 0;
};

struct Parser {
    std::vector<Token> tokens;
    size_t next = 0;
    std::map<std::string, long long> ids;
    std::string error;
};

struct ClassName {
    uint16_t atom;
    const char* name;
};

} // namespace

static const ClassName classNames[] = {
    {0x0080, "Button"},  {0x0081, "Edit"},     {0x0082, "Static"},
    {0x0083, "ListBox"}, {0x0085, "ComboBox"}, {0, "msctls_updown32"},
};

static const std::map<std::string, uint32_t>& styleConstants() {
    static const std::map<std::string, uint32_t> constants = {
        {"WS_POPUP", WS_POPUP},
        {"WS_CHILD", WS_CHILD},
        {"WS_VISIBLE", WS_VISIBLE},
        {"WS_DISABLED", WS_DISABLED},
        {"WS_CAPTION", WS_CAPTION},
        {"WS_BORDER", WS_BORDER},
        {"WS_VSCROLL", WS_VSCROLL},
        {"WS_SYSMENU", WS_SYSMENU},
        {"WS_GROUP", WS_GROUP},
        {"WS_TABSTOP", WS_TABSTOP},
        {"DS_CENTER", DS_CENTER},
        {"DS_MODALFRAME", DS_MODALFRAME},
        {"DS_SETFONT", DS_SETFONT},
        {"SS_LEFT", SS_LEFT},
        {"SS_CENTER", SS_CENTER},
        {"BS_PUSHBUTTON", BS_PUSHBUTTON},
        {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
        {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
        {"BS_GROUPBOX", BS_GROUPBOX},
        {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
        {"BS_LEFT", BS_LEFT},
        {"ES_LEFT", ES_LEFT},
        {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
        {"ES_NUMBER", ES_NUMBER},
        {"LBS_NOTIFY", LBS_NOTIFY},
        {"LBS_HASSTRINGS", LBS_HASSTRINGS},
        {"LBS_EXTENDEDSEL", LBS_EXTENDEDSEL},
        {"CBS_DROPDOWNLIST", CBS_DROPDOWNLIST},
        {"CBS_HASSTRINGS", CBS_HASSTRINGS},
        {"UDS_SETBUDDYINT", UDS_SETBUDDYINT},
        {"UDS_ALIGNRIGHT", UDS_ALIGNRIGHT},
        {"UDS_AUTOBUDDY", UDS_AUTOBUDDY},
        {"UDS_ARROWKEYS", UDS_ARROWKEYS},
        {"UDS_NOTHOUSANDS", UDS_NOTHOUSANDS},
    };
    return constants;
}

static bool sameWord(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

static std::string lineMessage(const char* source, int line, const std::string& what) {
    return std::string(source) + " line " + std::to_string(line) + ": " + what;
}

// A decimal or 0x-hexadecimal number with an optional minus sign, nothing else; false otherwise
// or when it does not fit in 32 bits.
static bool parseNumber(const std::string& text, long long& value) {
    size_t at = 0;
    bool negative = at < text.size() && text[at] == '-';
    if (negative)
        ++at;
    int base = 10;
    if (text.size() > at + 1 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        base = 16;
        at += 2;
    }
    if (at == text.size())
        return false;
    long long result = 0;
    for (; at < text.size(); ++at) {
        int digit = std::isdigit(static_cast<unsigned char>(text[at])) ? text[at] - '0'
                    : std::isxdigit(static_cast<unsigned char>(text[at])) && base == 16
                        ? std::toupper(static_cast<unsigned char>(text[at])) - 'A' + 10
                        : -1;
        if (digit < 0)
            return false;
        result = result * base + digit;
        if (result > 0xFFFFFFFFLL)
            return false;
    }
    value = negative ? -result : result;
    return true;
}

// Splits one line into tokens; a `//` comment ends the line. False on a character or string it
// cannot read.
static bool tokenizeLine(const std::string& line, int number, Parser& parser) {
    size_t at = 0;
    std::vector<Token> found;
    while (at < line.size()) {
        char c = line[at];
        Token token;
        token.line = number;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++at;
            continue;
        }
        if (line.compare(at, 2, "//") == 0)
            break;
        if (c == '"') {
            // a doubled quote stands for one quote, as in every resource compiler
            std::string text;
            bool closed = false;
            for (++at; at < line.size(); ++at) {
                if (line[at] == '"') {
                    if (at + 1 < line.size() && line[at + 1] == '"') {
                        text += '"';
                        ++at;
                        continue;
                    }
                    closed = true;
                    ++at;
                    break;
                }
                text += line[at];
            }
            if (!closed) {
                parser.error = lineMessage("script", number, "a string is not closed");
                return false;
            }
            token.kind = TokenKind::text;
            token.text = text;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '-' && at + 1 < line.size() &&
                    std::isdigit(static_cast<unsigned char>(line[at + 1])))) {
            size_t end = at + 1;
            while (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end])))
                ++end;
            token.kind = TokenKind::number;
            token.text = line.substr(at, end - at);
            if (!parseNumber(token.text, token.number)) {
                parser.error = lineMessage("script", number, "bad number " + token.text);
                return false;
            }
            at = end;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t end = at + 1;
            while (end < line.size() &&
                   (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_'))
                ++end;
            token.kind = TokenKind::name;
            token.text = line.substr(at, end - at);
            at = end;
        } else if (c == ',' || c == '|' || c == '{' || c == '}') {
            token.kind = c == ','   ? TokenKind::comma
                         : c == '|' ? TokenKind::bar
                         : c == '{' ? TokenKind::begin
                                    : TokenKind::end;
            token.text = std::string(1, c);
            ++at;
        } else {
            parser.error =
                lineMessage("script", number, std::string("unexpected character '") + c + "'");
            return false;
        }
        if (token.kind == TokenKind::name && sameWord(token.text, "BEGIN"))
            token.kind = TokenKind::begin;
        else if (token.kind == TokenKind::name && sameWord(token.text, "END"))
            token.kind = TokenKind::end;
        found.push_back(token);
    }
    // the language of the resource means nothing to the host
    if (!found.empty() && found[0].kind == TokenKind::name && sameWord(found[0].text, "LANGUAGE"))
        return true;
    parser.tokens.insert(parser.tokens.end(), found.begin(), found.end());
    return true;
}

static bool tokenize(const std::string& script, Parser& parser) {
    std::istringstream lines(script);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '#') {
            // includes only bring in the platform's constants, which the host knows
            std::string directive = line.substr(first + 1);
            directive = directive.substr(0, directive.find_first_of(" \t"));
            if (directive != "include" && directive != "pragma") {
                parser.error = lineMessage("script", number,
                                           "the directive #" + directive + " is not understood");
                return false;
            }
            continue;
        }
        if (!tokenizeLine(line, number, parser))
            return false;
    }
    Token finish;
    finish.line = number;
    parser.tokens.push_back(finish);
    return true;
}

// Reads the #define lines of the ID header into `ids`; #pragma lines, // comments and blank
// lines are skipped. False on any other line.
static bool readIds(const std::string& header, Parser& parser) {
    std::istringstream lines(header);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = line.substr(0, line.find("//"));
        std::istringstream words(line);
        std::string directive, name, value, extra;
        words >> directive >> name >> value >> extra;
        if (directive.empty() || directive == "#pragma")
            continue;
        long long parsed = 0;
        if (directive != "#define" || name.empty() || !extra.empty() ||
            !parseNumber(value, parsed)) {
            parser.error = lineMessage("ID header", number, "expected #define NAME NUMBER");
            return false;
        }
        auto known = parser.ids.find(name);
        if (known != parser.ids.end() && known->second != parsed) {
            parser.error = lineMessage("ID header", number, name + " is defined twice");
            return false;
        }
        parser.ids[name] = parsed;
    }
    return true;
}

static std::string describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::text:
        return "\"" + token.text + "\"";
    case TokenKind::finish:
        return "the end of the script";
    default:
        return "'" + token.text + "'";
    }
}

static bool fail(Parser& parser, const std::string& what) {
    const Token& at = parser.tokens[parser.next];
    parser.error = lineMessage("script", at.line, what + ", found " + describe(at));
    return false;
}

static const Token& peek(const Parser& parser) {
    return parser.tokens[parser.next];
}

static bool take(Parser& parser, TokenKind kind, const std::string& what, Token* token = nullptr) {
    if (peek(parser).kind != kind)
        return fail(parser, "expected " + what);
    if (token != nullptr)
        *token = peek(parser);
    ++parser.next;
    return true;
}

// The keyword `word`, in any case.
static bool takeKeyword(Parser& parser, const char* word, const std::string& what) {
    if (peek(parser).kind != TokenKind::name || !sameWord(peek(parser).text, word))
        return fail(parser, "expected " + what);
    ++parser.next;
    return true;
}

static bool takeComma(Parser& parser, const std::string& after) {
    return take(parser, TokenKind::comma, "',' after " + after);
}

// A number that fits a 16-bit field of the template.
static bool takeCoordinate(Parser& parser, const std::string& what, int& value) {
    Token token;
    if (!take(parser, TokenKind::number, what, &token))
        return false;
    if (token.number < -32768 || token.number > 32767) {
        --parser.next;
        return fail(parser, "expected " + what + " from -32768 to 32767");
    }
    value = static_cast<int>(token.number);
    return true;
}

// x, y, width, height
static bool takeRectangle(Parser& parser, int& x, int& y, int& width, int& height) {
    return takeCoordinate(parser, "x", x) && takeComma(parser, "x") &&
           takeCoordinate(parser, "y", y) && takeComma(parser, "y") &&
           takeCoordinate(parser, "width", width) && takeComma(parser, "width") &&
           takeCoordinate(parser, "height", height);
}

// Numbers and named style constants joined by '|'.
static bool takeStyle(Parser& parser, uint32_t& style) {
    style = 0;
    for (;;) {
        const Token& token = peek(parser);
        if (token.kind == TokenKind::number) {
            style |= static_cast<uint32_t>(token.number);
        } else if (token.kind == TokenKind::name) {
            auto constant = styleConstants().find(token.text);
            if (constant == styleConstants().end())
                return fail(parser, "expected a style constant");
            style |= constant->second;
        } else {
            return fail(parser, "expected a style");
        }
        ++parser.next;
        if (peek(parser).kind != TokenKind::bar)
            return true;
        ++parser.next;
    }
}

// A number, or a name that the ID header defines (IDOK and IDCANCEL are always known).
static bool takeId(Parser& parser, const std::string& what, int& id, std::string& name) {
    const Token& token = peek(parser);
    if (token.kind == TokenKind::number) {
        id = static_cast<int>(token.number);
    } else if (token.kind == TokenKind::name) {
        auto known = parser.ids.find(token.text);
        if (known == parser.ids.end())
            return fail(parser, "expected " + what + " defined in the ID header");
        id = static_cast<int>(known->second);
    } else {
        return fail(parser, "expected " + what);
    }
    name = token.text;
    ++parser.next;
    return true;
}

// A predefined class atom or a quoted class name, both of the classes the host can show.
static bool takeClass(Parser& parser, ControlTemplate& control) {
    const Token& token = peek(parser);
    for (const ClassName& known : classNames) {
        bool atom =
            token.kind == TokenKind::number && known.atom != 0 && token.number == known.atom;
        if (atom || (token.kind == TokenKind::text && sameWord(token.text, known.name))) {
            control.classAtom = atom ? known.atom : 0;
            control.className = known.name;
            ++parser.next;
            return true;
        }
    }
    return fail(parser, "expected a known control class");
}

// CONTROL "text", id, class, style, x, y, width, height
static bool takeControl(Parser& parser, ControlTemplate& control) {
    Token text;
    if (!take(parser, TokenKind::text, "the control's text", &text) ||
        !takeComma(parser, "the control's text") ||
        !takeId(parser, "the control's ID", control.id, control.idName) ||
        !takeComma(parser, "the control's ID") || !takeClass(parser, control) ||
        !takeComma(parser, "the control's class") || !takeStyle(parser, control.style) ||
        !takeComma(parser, "the control's style") ||
        !takeRectangle(parser, control.x, control.y, control.width, control.height))
        return false;
    control.text = text.text;
    // the resource compiler makes every control a visible child window
    control.style |= WS_CHILD | WS_VISIBLE;
    return true;
}

static bool takeDialog(Parser& parser, DialogTemplate& dialog) {
    if (!takeId(parser, "the dialog's name", dialog.resourceId, dialog.resourceName))
        return false;
    if (peek(parser).kind == TokenKind::name && sameWord(peek(parser).text, "DIALOGEX"))
        return fail(parser, "expected DIALOG (the extended template is not understood)");
    if (!takeKeyword(parser, "DIALOG", "DIALOG") ||
        !takeRectangle(parser, dialog.x, dialog.y, dialog.width, dialog.height))
        return false;
    // without STYLE the resource compiler gives a popup window with a border and system menu
    dialog.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    while (peek(parser).kind == TokenKind::name) {
        std::string statement = peek(parser).text;
        ++parser.next;
        if (sameWord(statement, "STYLE")) {
            if (!takeStyle(parser, dialog.style))
                return false;
        } else if (sameWord(statement, "FONT")) {
            Token size, name;
            if (!take(parser, TokenKind::number, "the font size", &size) ||
                !takeComma(parser, "the font size") ||
                !take(parser, TokenKind::text, "the font name", &name))
                return false;
            dialog.fontSize = static_cast<int>(size.number);
            dialog.fontName = name.text;
        } else if (sameWord(statement, "CAPTION")) {
            Token caption;
            if (!take(parser, TokenKind::text, "the caption", &caption))
                return false;
            dialog.caption = caption.text;
        } else {
            --parser.next;
            return fail(parser, "expected STYLE, FONT, CAPTION or BEGIN");
        }
    }
    // the template's flags follow its statements, as the resource compiler writes them
    if (!dialog.fontName.empty())
        dialog.style |= DS_SETFONT;
    if (!dialog.caption.empty())
        dialog.style |= WS_CAPTION;
    if (!take(parser, TokenKind::begin, "BEGIN"))
        return false;
    while (peek(parser).kind != TokenKind::end) {
        ControlTemplate control;
        if (!takeKeyword(parser, "CONTROL", "CONTROL or END") || !takeControl(parser, control))
            return false;
        dialog.controls.push_back(control);
    }
    ++parser.next;
    return take(parser, TokenKind::finish, "nothing after END (one dialog only)");
}

bool parseResourceScript(const std::string& script, const std::string& idsHeader,
                         DialogTemplate& dialog, std::string& error) {
    Parser parser;
    parser.ids = {{"IDOK", IDOK}, {"IDCANCEL", IDCANCEL}};
    DialogTemplate parsed;
    if (!readIds(idsHeader, parser) || !tokenize(script, parser) || !takeDialog(parser, parsed)) {
        error = parser.error;
        return false;
    }
    dialog = parsed;
    return true;
}

const DialogTemplate& mainDialogTemplate() {
    static const DialogTemplate parsed = [] {
        DialogTemplate dialog;
        std::string error;
        if (!parseResourceScript(builtInDialogScript(), builtInDialogIds(), dialog, error)) {
            std::fprintf(stderr, "lumbrel-host: the built-in dialog resource script: %s\n",
                         error.c_str());
            std::abort();
        }
        return dialog;
    }();
    return parsed;
}

ControlKind controlKind(const ControlTemplate& source) {
    if (source.className == "Button") {
        switch (source.style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
            return ControlKind::checkBox;
        case BS_AUTORADIOBUTTON:
            return ControlKind::radioButton;
        case BS_GROUPBOX:
            return ControlKind::groupBox;
        default:
            return ControlKind::pushButton;
        }
    }
    if (source.className == "Edit")
        return ControlKind::edit;
    if (source.className == "ListBox")
        return ControlKind::listBox;
    if (source.className == "ComboBox")
        return ControlKind::comboBox;
    if (source.className == "msctls_updown32")
        return ControlKind::upDown;
    return ControlKind::label;
}

static std::string controlName(const DialogTemplate& source, size_t index) {
    const ControlTemplate& control = source.controls[index];
    for (size_t i = 0; i < index; ++i)
        if (source.controls[i].idName == control.idName)
            return control.className == "Static" ? control.idName + "_LABEL"
                                                 : control.idName + "_" + std::to_string(index);
    return control.idName;
}

std::vector<std::string> controlNames(const DialogTemplate& source) {
    std::vector<std::string> names;
    for (size_t i = 0; i < source.controls.size(); ++i)
        names.push_back(controlName(source, i));
    return names;
}
