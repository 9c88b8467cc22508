#include "prototext/text_tokens.h"

#include <cctype>

namespace {

bool is_name_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool is_name_part(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

}  // namespace

TextTokens::TextTokens(const std::string& text) : text_(text) {
    current_ = read();
}

TextToken TextTokens::next() {
    TextToken taken = current_;
    if (taken.kind != TextToken::END && taken.kind != TextToken::BAD) current_ = read();
    return taken;
}

void TextTokens::advance(size_t count) {
    for (size_t i = 0; i < count && offset_ < text_.size(); ++i, ++offset_) {
        if (text_[offset_] == '\n') {
            ++line_;
            column_ = 1;
        } else {
            ++column_;
        }
    }
}

void TextTokens::skip_blanks_and_comments() {
    while (offset_ < text_.size()) {
        char c = text_[offset_];
        if (c == '#') {
            while (offset_ < text_.size() && text_[offset_] != '\n') advance(1);
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            advance(1);
        } else {
            return;
        }
    }
}

TextToken TextTokens::read() {
    skip_blanks_and_comments();
    TextToken token;
    token.offset = offset_;
    token.line = line_;
    token.column = column_;
    if (offset_ >= text_.size()) return token;
    char c = text_[offset_];
    size_t end = offset_ + 1;
    if (is_name_start(c)) {
        token.kind = TextToken::NAME;
        while (is_name_part(at(end))) ++end;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
        // Digits, letters and dots, and a sign right after a decimal exponent.
        token.kind = TextToken::NUMBER;
        bool hex = c == '0' && (at(end) == 'x' || at(end) == 'X');
        for (;; ++end) {
            char d = at(end);
            bool exponent_sign =
                (d == '+' || d == '-') && !hex && (at(end - 1) == 'e' || at(end - 1) == 'E');
            if (!is_name_part(d) && d != '.' && !exponent_sign) break;
        }
    } else if (c == '"' || c == '\'') {
        read_string(token);
        return token;
    } else if (std::string("{}<>[]:,;-").find(c) != std::string::npos) {
        token.kind = TextToken::MARK;
    } else {
        token.kind = TextToken::BAD;
        token.text = std::string("a character the text format does not know: \"") + c + "\"";
        return token;
    }
    token.text = text_.substr(offset_, end - offset_);
    advance(end - offset_);
    return token;
}

// A quoted string with C escapes: \n \t \r \a \b \f \v \\ \' \" \? \xHH \ooo.
void TextTokens::read_string(TextToken& token) {
    const char quote = text_[offset_];
    advance(1);
    std::string value;
    for (;;) {
        char c = at(offset_);
        if (offset_ >= text_.size() || c == '\n') {
            token.kind = TextToken::BAD;
            token.text = "a string without its closing quote";
            return;
        }
        advance(1);
        if (c == quote) break;
        if (c != '\\') {
            value += c;
            continue;
        }
        char e = at(offset_);
        advance(1);
        const std::string simple = "n\nt\tr\ra\ab\bf\fv\v\\\\''\"\"??";
        size_t found = simple.find(e);
        if (found != std::string::npos && found % 2 == 0) {
            value += simple[found + 1];
        } else if (e == 'x' && digit_value(at(offset_)) < 16) {
            int byte = 0;
            for (int i = 0; i < 2 && digit_value(at(offset_)) < 16; ++i) {
                byte = byte * 16 + digit_value(at(offset_));
                advance(1);
            }
            value += static_cast<char>(byte);
        } else if (e >= '0' && e <= '7') {
            int byte = e - '0';
            for (int i = 0; i < 2 && at(offset_) >= '0' && at(offset_) <= '7'; ++i) {
                byte = byte * 8 + (at(offset_) - '0');
                advance(1);
            }
            value += static_cast<char>(byte & 0xff);
        } else {
            token.kind = TextToken::BAD;
            token.text = std::string("an escape the text format does not know: \\") + e;
            return;
        }
    }
    token.kind = TextToken::STRING;
    token.text = value;
}
