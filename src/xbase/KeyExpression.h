#pragma once

// dBASE key expressions as the tables use them: field names, string literals, '+' between
// character values, UPPER(c), STR(n, w[, d]) and DTOS(d). Names are case-insensitive.
// Every key is a character value of a fixed length (the length on a blank record).
// Anything else is refused with a message: the engine never guesses at an expression.

#include "DbfFile.h"

#include <memory>
#include <string>
#include <vector>

namespace xbase {

class KeyExpression
{
public:
    KeyExpression();
    ~KeyExpression();
    KeyExpression(KeyExpression &&) noexcept;
    KeyExpression &operator=(KeyExpression &&) noexcept;

    // Parses `text` against the table's fields. False with `error` set when it cannot.
    bool parse(const std::string &text, const std::vector<FieldInfo> &fields, std::string *error);
    const std::string &text() const { return m_text; }
    int keyLength() const { return m_length; }
    // Writes the key of `record` (a whole record, deletion flag first) into out[0..keyLength).
    void evaluate(const unsigned char *record, char *out) const;
    std::string evaluate(const unsigned char *record) const;

    struct Node;

private:
    std::string m_text;
    std::unique_ptr<Node> m_root;
    int m_length = 0;
};

} // namespace xbase
