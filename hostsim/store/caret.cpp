#include "store/caret.h"

// A to Z and a to z only: caret command names are plain ASCII.
static bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

size_t skipCaretCommand(std::string_view text, size_t position) {
    if (position >= text.size() || text[position] != '^')
        return position;
    size_t end = position + 1;
    while (end < text.size() && isAsciiLetter(text[end]))
        ++end;
    if (end == position + 1)
        return end; // a "^" without a command name: only the caret goes
    if (end < text.size() && text[end] == '(') {
        size_t close = text.find(')', end + 1);
        end = close == std::string_view::npos ? text.size() : close + 1;
    }
    return end;
}
