// Where the JSON reader (json_reader.h) is in its text. nlohmann's parser
// reads the text one character at a time through a TextCursor, which keeps how
// far it has read; when the parser hands over a token (a key, a value, a
// brace), what was read ends with it, or one character past a number. The
// token after it starts past the blanks, "," and ":" that follow.
//
//     {"reqType": 2, "enable": tru}
//      ^ a key     ^ a value   ^ the start of the token after the value 2
#pragma once

#include <cstddef>
#include <iterator>
#include <string>

struct TextCursor {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* at = nullptr;
    const char** furthest = nullptr;  // past the last character read by any copy

    reference operator*() const { return *at; }
    TextCursor& operator++() {
        *furthest = ++at;
        return *this;
    }
    TextCursor operator++(int) {
        TextCursor before = *this;
        ++*this;
        return before;
    }
    bool operator==(const TextCursor& other) const { return at == other.at; }
    bool operator!=(const TextCursor& other) const { return at != other.at; }
};

// Where the token after `from` starts: the first byte at or after `from` that
// is not a blank, "," or ":" (the text's size at its end).
size_t token_start(const std::string& text, size_t from);

// "line 2, column 5": where the byte at `offset` is, both counted from 1,
// the column in bytes.
std::string line_and_column(const std::string& text, size_t offset);
