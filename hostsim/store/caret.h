// Caret commands: the "^name(argument)" formatting commands that may begin a text block.
#pragma once

#include <cstddef>
#include <string_view>

// The position after the caret command at `position`: past a "^" followed by letters and an
// optional "(...)" argument (an argument without its ")" runs to the end of the text); past the
// "^" alone when no letter follows it. `position` unchanged when it holds no "^" or lies at or
// beyond the end of the text.
size_t skipCaretCommand(std::string_view text, size_t position);
