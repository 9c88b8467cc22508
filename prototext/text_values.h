// The scalar values of the text format (see text_reader.h): integers in
// decimal, 0x hex or leading-0 octal within their field's range, or an
// enumerator's name; doubles with exponents, inf, infinity and nan, with an
// optional "f"; bools as true, false, t, f, 1, 0 (True and False too);
// quoted strings within their field's size.
#pragma once

#include <cstddef>
#include <string>

#include "proto/message_fields.h"
#include "prototext/text_tokens.h"

// "\"name\"", "a string" or "the end of the text": a token as a refusal names it.
std::string shown(const TextToken& token);

// Store the value written as `token` (after a "-" when `negative`) for
// `field` at `where`, which holds `data_size` bytes. False, with what was
// expected in `why`, when it is not a value of the field.
bool store_scalar(const FieldName& field, const TextToken& token, bool negative, size_t data_size,
                  void* where, std::string& why);
