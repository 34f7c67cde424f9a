// The Win32 user-interface calls of the platform stand-in, acting on the active session's
// desktop: messages to the open dialog's controls, message boxes answered from the queue, and
// wsprintfA.
#include "headless/desktop.h"
#include "platform/platform.h"
#include "session/contract.h"
#include "session/host_session.h"

#include <cstdarg>
#include <cstring>

namespace {

// wsprintfA's output: at most 1023 characters and the terminating zero, as on Win32.
struct Output {
    char* buffer;
    size_t length = 0;
};

struct Conversion {
    bool left = false;     // '-'
    bool prefix = false;   // '#': 0x before hexadecimal digits
    bool zeroFill = false; // '0'
    int width = 0;
    int precision = -1; // -1 when none is given
    int size = 0;       // 0 int, 1 'h' (16-bit), 2 "I64" (64-bit); 'l' is 32-bit as int
};

} // namespace

static const size_t formattedLimit = 1023;

static void put(Output& out, char c) {
    if (out.length < formattedLimit)
        out.buffer[out.length++] = c;
}

static void putPadding(Output& out, int count, char fill) {
    for (int i = 0; i < count; ++i)
        put(out, fill);
}

// `body` (sign and digits, or text) padded to the width, zeros going after the sign.
static void putField(Output& out, const Conversion& conversion, const char* sign, const char* body,
                     size_t bodyLength, int zeros) {
    int length = static_cast<int>(std::strlen(sign) + bodyLength) + zeros;
    int padding = conversion.width > length ? conversion.width - length : 0;
    if (!conversion.left && !conversion.zeroFill)
        putPadding(out, padding, ' ');
    for (const char* s = sign; *s != '\0'; ++s)
        put(out, *s);
    if (!conversion.left && conversion.zeroFill)
        putPadding(out, padding, '0');
    putPadding(out, zeros, '0');
    for (size_t i = 0; i < bodyLength; ++i)
        put(out, body[i]);
    if (conversion.left)
        putPadding(out, padding, ' ');
}

static void putNumber(Output& out, const Conversion& conversion, unsigned long long magnitude,
                      bool negative, unsigned base, bool upper) {
    char digits[24];
    size_t count = 0;
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[count++] = symbols[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    char body[24];
    for (size_t i = 0; i < count; ++i)
        body[i] = digits[count - 1 - i];
    const char* sign = negative                                   ? "-"
                       : conversion.prefix && base == 16 && upper ? "0X"
                       : conversion.prefix && base == 16          ? "0x"
                                                                  : "";
    int zeros = conversion.precision > static_cast<int>(count)
                    ? conversion.precision - static_cast<int>(count)
                    : 0;
    putField(out, conversion, sign, body, count, zeros);
}

// Reads a width or precision; held at the output's size, which no field can outgrow.
static int readCount(const char*& format) {
    int value = 0;
    while (*format >= '0' && *format <= '9') {
        value = value * 10 + (*format - '0');
        if (value > static_cast<int>(formattedLimit))
            value = static_cast<int>(formattedLimit);
        ++format;
    }
    return value;
}

// Formats one conversion at `format` (just past the '%'); returns where the format goes on.
static const char* formatConversion(Output& out, const char* format, va_list& args) {
    Conversion conversion;
    for (;; ++format) {
        if (*format == '-')
            conversion.left = true;
        else if (*format == '#')
            conversion.prefix = true;
        else if (*format == '0')
            conversion.zeroFill = true;
        else
            break;
    }
    conversion.width = readCount(format);
    if (*format == '.') {
        ++format;
        conversion.precision = readCount(format);
    }
    if (*format == 'l') {
        ++format;
    } else if (*format == 'h') {
        conversion.size = 1;
        ++format;
    } else if (std::strncmp(format, "I64", 3) == 0) {
        conversion.size = 2;
        format += 3;
    }
    char type = *format;
    if (type == '\0')
        return format;
    ++format;
    switch (type) {
    case 'd':
    case 'i': {
        long long value = conversion.size == 2 ? va_arg(args, long long) : va_arg(args, int);
        if (conversion.size == 1)
            value = static_cast<short>(value);
        unsigned long long magnitude =
            value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
        putNumber(out, conversion, magnitude, value < 0, 10, false);
        break;
    }
    case 'u':
    case 'x':
    case 'X': {
        unsigned long long value =
            conversion.size == 2 ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
        if (conversion.size == 1)
            value = static_cast<unsigned short>(value);
        putNumber(out, conversion, value, false, type == 'u' ? 10 : 16, type == 'X');
        break;
    }
    case 'c': {
        char c = static_cast<char>(va_arg(args, int));
        putField(out, conversion, "", &c, 1, 0);
        break;
    }
    case 's': {
        const char* text = va_arg(args, const char*);
        if (text == nullptr)
            text = "(null)";
        size_t length = std::strlen(text);
        if (conversion.precision >= 0 && static_cast<size_t>(conversion.precision) < length)
            length = static_cast<size_t>(conversion.precision);
        putField(out, conversion, "", text, length, 0);
        break;
    }
    default:
        // anything else (and wide strings, which the host does not offer) is copied as it is
        put(out, type);
        break;
    }
    return format;
}

static bool isQuestion(UINT type) {
    return (type & 0x0Fu) == MB_YESNO;
}

extern "C" {

HWND GetDlgItem(HWND dialog, int item) {
    int index = -1;
    HeadlessDialog* open = findOpenWindow(dialog, index);
    if (open == nullptr || index != -1)
        return nullptr;
    int control = findControlById(*open, item);
    return control >= 0 ? &open->controls[control].window : nullptr;
}

// Sends `message` to the control `window` names, as `call` of the plug-in did; the strict host
// checks that the control's class takes the message.
static LRESULT sendToControl(const char* call, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam) {
    int index = -1;
    HeadlessDialog* open = findOpenWindow(window, index);
    bool found = open != nullptr && index >= 0;
    checkWindowMessage(call, message, wParam, lParam, found,
                       found ? open->controls[static_cast<size_t>(index)].kind
                             : ControlKind::label);
    if (!found)
        return 0;
    return sendControlMessage(*open, index, message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return sendToControl("SendMessageA", window, message, wParam, lParam);
}

LRESULT SendDlgItemMessageA(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam) {
    return sendToControl("SendDlgItemMessageA", GetDlgItem(dialog, item), message, wParam, lParam);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    MessageEvent event;
    int index = -1;
    HeadlessDialog* open = findOpenWindow(owner, index);
    event.owner = owner == hostWindowHandle()      ? "host"
                  : open != nullptr && index == -1 ? "dialog"
                                                   : "other";
    event.caption = caption != nullptr ? caption : "Error"; // Win32's caption when none is given
    event.text = text != nullptr ? text : "";
    event.style = type;
    int result = IDOK;
    event.answer = "ok";
    if (activeHost == nullptr) // no user to answer: a question gets "no"
        return isQuestion(type) ? IDNO : IDOK;
    std::deque<std::string>& answers = activeHost->desktop.answers;
    if (isQuestion(type)) {
        bool yes = !answers.empty() && answers.front() == "yes";
        if (!answers.empty())
            answers.pop_front();
        event.answer = yes ? "yes" : "no";
        result = yes ? IDYES : IDNO;
    }
    activeHost->desktop.messages.push_back(event);
    return result;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (buffer == nullptr)
        return 0;
    Output out{buffer};
    va_list args;
    va_start(args, format);
    for (const char* at = format != nullptr ? format : ""; *at != '\0';) {
        if (*at != '%') {
            put(out, *at++);
        } else if (at[1] == '%') {
            put(out, '%');
            at += 2;
        } else {
            at = formatConversion(out, at + 1, args);
        }
    }
    va_end(args);
    buffer[out.length] = '\0';
    return static_cast<int>(out.length);
}
}
