#include "prototext/text_reader.h"

#include <pb_common.h>

#include <vector>

#include "proto/message_fields.h"
#include "prototext/text_schema.h"
#include "prototext/text_tokens.h"
#include "prototext/text_values.h"

namespace {

struct Parser {
    TextTokens tokens;
    std::string error;

    // Refuse at `token`; always false.
    bool refuse(const TextToken& token, const std::string& why) {
        if (!error.empty()) return false;
        if (token.kind == TextToken::BAD) {
            error = "line " + std::to_string(token.line) + ", column " +
                    std::to_string(token.column) + ": " + token.text;
            return false;
        }
        error = "line " + std::to_string(token.line) + ", column " + std::to_string(token.column) +
                ": " + why;
        return false;
    }

    bool at_mark(const char* mark) const {
        return tokens.peek().kind == TextToken::MARK && tokens.peek().text == mark;
    }

    bool take_mark(const char* mark) {
        if (!at_mark(mark)) return false;
        tokens.next();
        return true;
    }
};

bool read_fields(Parser& p, const pb_msgdesc_t* descriptor, void* record, const char* closing);

// A scalar: an optional "-" right before a number or a name, or strings one
// after another (read as one).
bool read_scalar(Parser& p, const FieldName& field, const pb_field_iter_t& iter, void* where) {
    bool negative = p.at_mark("-");
    TextToken sign;
    if (negative) sign = p.tokens.next();
    TextToken token = p.tokens.next();
    if (token.kind == TextToken::BAD) return p.refuse(token, "");
    if (negative && (token.offset != sign.offset + 1 ||
                     (token.kind != TextToken::NUMBER && token.kind != TextToken::NAME))) {
        return p.refuse(token, "expected a number right after \"-\" for " + field.name);
    }
    TextToken value = token;
    while (token.kind == TextToken::STRING && p.tokens.peek().kind == TextToken::STRING) {
        value.text += p.tokens.next().text;
    }
    std::string why;
    if (!store_scalar(field, value, negative, iter.data_size, where, why)) {
        return p.refuse(token, why);
    }
    return true;
}

// One value of `field` (a scalar, or a message in braces), stored where it goes.
bool read_value(Parser& p, const FieldName& field, pb_field_iter_t& iter) {
    void* where = iter.pData;
    if (field.role == FieldRole::REPEATED) {
        pb_size_t& count = *static_cast<pb_size_t*>(iter.pSize);
        if (count >= iter.array_size) {
            return p.refuse(p.tokens.peek(), "more than " + std::to_string(iter.array_size) +
                                                 " values for " + field.name);
        }
        where = static_cast<char*>(iter.pData) + static_cast<size_t>(count) * iter.data_size;
        ++count;
    } else if (field.role == FieldRole::OPTIONAL) {
        *static_cast<bool*>(iter.pSize) = true;
    } else if (field.role == FieldRole::ONEOF) {
        *static_cast<pb_size_t*>(iter.pSize) = iter.tag;
    }
    if (field.kind != FieldKind::MESSAGE) return read_scalar(p, field, iter, where);
    const char* closing = p.take_mark("{") ? "}" : p.take_mark("<") ? ">" : nullptr;
    if (closing == nullptr) {
        return p.refuse(p.tokens.peek(), "expected \"{\" or \"<\" after " + field.name +
                                             ", found " + shown(p.tokens.peek()));
    }
    return read_fields(p, iter.submsg_desc, where, closing);
}

// Fields up to `closing` ("" at the top: up to the end of the text).
bool read_fields(Parser& p, const pb_msgdesc_t* descriptor, void* record, const char* closing) {
    const MessageFields* message = message_fields(descriptor);
    std::vector<pb_size_t> given;
    for (;;) {
        const TextToken& next = p.tokens.peek();
        if (closing[0] == '\0' && next.kind == TextToken::END) return true;
        if (closing[0] != '\0' && p.take_mark(closing)) return true;
        if (next.kind != TextToken::NAME) {
            std::string expected = closing[0] != '\0'
                                       ? std::string("a field name or \"") + closing + "\""
                                       : "a field name";
            return p.refuse(next, "expected " + expected + ", found " + shown(next));
        }
        TextToken name = p.tokens.next();
        const FieldName* field = message != nullptr ? field_named(*message, name.text) : nullptr;
        if (field == nullptr || field->callback) {
            return p.refuse(name, "unknown field " + shown(name) + " in " +
                                      (message != nullptr ? message->name : "this message") +
                                      ", expected one of: " + field_list(descriptor));
        }
        pb_field_iter_t iter;
        if (!pb_field_iter_begin(&iter, descriptor, record) ||
            !pb_field_iter_find(&iter, field->tag)) {
            return p.refuse(name, "unknown field " + shown(name));
        }
        bool repeated = field->role == FieldRole::REPEATED;
        for (pb_size_t tag : given) {
            if (tag == field->tag && !repeated) {
                return p.refuse(name, field->name + " is given twice");
            }
            const FieldName* other = field_tagged(*message, tag);
            if (!field->oneof.empty() && other->oneof == field->oneof && tag != field->tag) {
                return p.refuse(name, field->name + " and " + other->name +
                                          " are both members of oneof " + field->oneof);
            }
        }
        given.push_back(field->tag);
        bool colon = p.take_mark(":");
        if (!colon && field->kind != FieldKind::MESSAGE) {
            return p.refuse(p.tokens.peek(), "expected \":\" after " + field->name);
        }
        if (p.take_mark("[")) {
            if (!repeated) return p.refuse(name, field->name + " is not repeated: no list");
            for (bool first = true; !p.take_mark("]"); first = false) {
                if (!first && !p.take_mark(",")) {
                    return p.refuse(p.tokens.peek(),
                                    "expected \",\" or \"]\", found " + shown(p.tokens.peek()));
                }
                if (!read_value(p, *field, iter)) return false;
            }
        } else if (!read_value(p, *field, iter)) {
            return false;
        }
        if (!p.take_mark(",")) p.take_mark(";");
    }
}

}  // namespace

bool parse_text(const std::string& text, const pb_msgdesc_t* descriptor, void* record,
                std::string& error) {
    Parser parser{TextTokens(text), ""};
    if (read_fields(parser, descriptor, record, "")) return true;
    error = parser.error;
    return false;
}
