// The tokens of the protocol-buffers text format, as the official library
// reads them: names, numbers, quoted strings and the marks { } < > [ ] : , ;
// and -, with blanks, line breaks and "#" comments (to the end of the line)
// anywhere between them. Every token knows its line and column (from 1), for
// the refusals of the parser.
#pragma once

#include <cstddef>
#include <string>

struct TextToken {
    enum Kind { END, NAME, NUMBER, STRING, MARK, BAD };
    Kind kind = END;
    std::string text;   // as written (a STRING's contents with its escapes read; BAD: why)
    size_t offset = 0;  // where it starts in the text
    int line = 1;
    int column = 1;
};

class TextTokens {
  public:
    explicit TextTokens(const std::string& text);

    const TextToken& peek() const { return current_; }
    TextToken next();

  private:
    TextToken read();
    void skip_blanks_and_comments();
    void read_string(TextToken& token);
    char at(size_t offset) const { return offset < text_.size() ? text_[offset] : '\0'; }
    void advance(size_t count);

    const std::string& text_;
    size_t offset_ = 0;
    int line_ = 1;
    int column_ = 1;
    TextToken current_;
};
