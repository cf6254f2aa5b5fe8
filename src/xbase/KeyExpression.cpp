#include "KeyExpression.h"

#include "Bytes.h"
#include "NumericText.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace xbase {

namespace {

// True when text is a right-aligned number as formatNumeric writes it: leading blanks, an
// optional '-', no leading zeros, and a digit at the end.
bool canonicalNumber(const char *text, int width)
{
    int i = 0;
    while (i < width && text[i] == ' ') ++i;
    if (i == width || text[width - 1] < '0' || text[width - 1] > '9') return false;
    if (text[i] == '-') ++i;
    if (i == width) return false;
    if (text[i] == '0') return i + 1 == width || text[i + 1] == '.';
    for (int j = i; j < width; ++j)
        if ((text[j] < '0' || text[j] > '9') && text[j] != '.') return false;
    return text[i] >= '1' && text[i] <= '9';
}

// UPPER as a table: a to z become A to Z, every other byte stays. A lookup per byte costs the
// same whatever the text, where a test per byte stalls on mixed case.
struct UpperTable
{
    unsigned char map[256];
    constexpr UpperTable() : map()
    {
        for (int c = 0; c < 256; ++c) map[c] = (unsigned char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    constexpr unsigned char operator[](unsigned char c) const { return map[c]; }
};
constexpr UpperTable kUpper;

} // namespace

struct KeyExpression::Node
{
    enum Kind { CharField, NumField, DateField, Literal, Upper, Str, Dtos, Concat };
    Kind kind;
    char type = 'C';  // C, N or D: the value's type
    int length = 0;   // the character length of a C value
    int offset = 0, width = 0, decimals = 0;  // fields; STR width and decimals
    std::string literal;
    std::vector<std::unique_ptr<Node>> args;

    double number(const unsigned char *record) const
    {
        // Only numeric fields yield numbers here.
        return parseNumeric(reinterpret_cast<const char *>(record + offset), width);
    }

    void write(const unsigned char *record, char *out) const
    {
        switch (kind) {
        case CharField:
        case DateField:
            copyShort(reinterpret_cast<unsigned char *>(out), record + offset, size_t(length));
            break;
        case Literal: std::memcpy(out, literal.data(), literal.size()); break;
        case Upper:
            args[0]->write(record, out);
            for (int i = 0; i < length; ++i) out[i] = char(kUpper[(unsigned char)out[i]]);
            break;
        case Str: {
            const Node &a = *args[0];
            // A numeric field written in the usual form already holds the key; copy it. A blank
            // field (0) or one in another form goes through the number.
            if (a.kind == NumField && a.width == width && a.decimals == decimals &&
                canonicalNumber(reinterpret_cast<const char *>(record + a.offset), width)) {
                std::memcpy(out, record + a.offset, size_t(width));
                break;
            }
            formatNumeric(a.number(record), width, decimals, out);
            break;
        }
        case Dtos: args[0]->write(record, out); break;
        case Concat: {
            int at = 0;
            for (const auto &a : args) {
                a->write(record, out + at);
                at += a->length;
            }
            break;
        }
        case NumField: break;  // never written as characters (parse refuses it)
        }
    }
};

namespace {

class Parser
{
public:
    Parser(const std::string &text, const std::vector<FieldInfo> &fields, std::string *error)
        : m_text(text), m_fields(fields), m_error(error)
    {
    }

    std::unique_ptr<KeyExpression::Node> parseAll()
    {
        auto node = parseSum();
        if (!node) return nullptr;
        skipBlanks();
        if (m_pos != m_text.size()) return fail("unexpected '" + m_text.substr(m_pos, 1) + "'");
        return node;
    }

private:
    using Node = KeyExpression::Node;
    using NodePtr = std::unique_ptr<Node>;

    NodePtr fail(const std::string &why)
    {
        if (m_error->empty())
            *m_error = "key expression \"" + m_text + "\": " + why + " at position " +
                       std::to_string(m_pos + 1);
        return nullptr;
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && std::isspace((unsigned char)m_text[m_pos])) ++m_pos;
    }

    bool accept(char c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    NodePtr parseSum()
    {
        auto first = parseTerm();
        if (!first) return nullptr;
        if (!accept('+')) return first;
        if (first->type != 'C') return fail("'+' joins character values only");
        auto concat = std::make_unique<Node>();
        concat->kind = Node::Concat;
        concat->length = first->length;
        concat->args.push_back(std::move(first));
        do {
            auto next = parseTerm();
            if (!next) return nullptr;
            if (next->type != 'C') return fail("'+' joins character values only");
            concat->length += next->length;
            concat->args.push_back(std::move(next));
        } while (accept('+'));
        return concat;
    }

    bool parseInt(int *value)
    {
        skipBlanks();
        size_t start = m_pos;
        while (m_pos < m_text.size() && std::isdigit((unsigned char)m_text[m_pos])) ++m_pos;
        if (start == m_pos || m_pos - start > 3) {
            fail("a whole number is expected");
            return false;
        }
        *value = std::stoi(m_text.substr(start, m_pos - start));
        return true;
    }

    NodePtr parseTerm()
    {
        skipBlanks();
        if (m_pos >= m_text.size()) return fail("a value is missing");
        char c = m_text[m_pos];
        if (c == '(') {
            ++m_pos;
            auto inner = parseSum();
            if (!inner) return nullptr;
            if (!accept(')')) return fail("')' is missing");
            return inner;
        }
        if (c == '"' || c == '\'') {
            size_t end = m_text.find(c, m_pos + 1);
            if (end == std::string::npos) return fail("a text is not closed");
            auto n = std::make_unique<Node>();
            n->kind = Node::Literal;
            n->literal = m_text.substr(m_pos + 1, end - m_pos - 1);
            n->length = int(n->literal.size());
            m_pos = end + 1;
            return n;
        }
        if (!std::isalpha((unsigned char)c) && c != '_') return fail("a name is expected");
        size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum((unsigned char)m_text[m_pos]) || m_text[m_pos] == '_'))
            ++m_pos;
        std::string name = m_text.substr(start, m_pos - start);
        if (accept('(')) return parseCall(name);
        for (const FieldInfo &f : m_fields) {
            if (strcasecmp(f.name.c_str(), name.c_str()) != 0) continue;
            auto n = std::make_unique<Node>();
            n->offset = f.offset;
            n->width = f.length;
            n->decimals = f.decimals;
            switch (f.type) {
            case 'C': n->kind = Node::CharField; n->type = 'C'; n->length = f.length; break;
            case 'N': n->kind = Node::NumField; n->type = 'N'; break;
            case 'D': n->kind = Node::DateField; n->type = 'D'; n->length = 8; break;
            default: return fail("field " + f.name + " cannot be part of a key");
            }
            return n;
        }
        m_pos = start;
        return fail("unknown field " + name);
    }

    NodePtr parseCall(const std::string &name)
    {
        auto n = std::make_unique<Node>();
        auto arg = parseSum();
        if (!arg) return nullptr;
        if (strcasecmp(name.c_str(), "UPPER") == 0) {
            if (arg->type != 'C') return fail("UPPER takes a character value");
            n->kind = Node::Upper;
            n->length = arg->length;
        } else if (strcasecmp(name.c_str(), "DTOS") == 0) {
            if (arg->type != 'D') return fail("DTOS takes a date");
            n->kind = Node::Dtos;
            n->length = 8;
        } else if (strcasecmp(name.c_str(), "STR") == 0) {
            if (arg->type != 'N') return fail("STR takes a number");
            n->kind = Node::Str;
            n->width = 10;
            if (accept(',')) {
                if (!parseInt(&n->width)) return nullptr;
                if (accept(',') && !parseInt(&n->decimals)) return nullptr;
            }
            if (n->width < 1 || n->width > 32 || n->decimals < 0 ||
                (n->decimals > 0 && n->decimals > n->width - 2))
                return fail("STR width or decimals out of range");
            n->length = n->width;
        } else {
            return fail("unknown function " + name);
        }
        n->type = 'C';
        n->args.push_back(std::move(arg));
        if (!accept(')')) return fail("')' is missing");
        return n;
    }

    const std::string &m_text;
    const std::vector<FieldInfo> &m_fields;
    std::string *m_error;
    size_t m_pos = 0;
};

} // namespace

KeyExpression::KeyExpression() = default;
KeyExpression::~KeyExpression() = default;
KeyExpression::KeyExpression(KeyExpression &&) noexcept = default;
KeyExpression &KeyExpression::operator=(KeyExpression &&) noexcept = default;

bool KeyExpression::parse(const std::string &text, const std::vector<FieldInfo> &fields,
                          std::string *error)
{
    error->clear();
    Parser parser(text, fields, error);
    auto root = parser.parseAll();
    if (!root) return false;
    if (root->type != 'C') {
        *error = "key expression \"" + text + "\": a key must be a character value";
        return false;
    }
    if (root->length < 1 || root->length > 256) {
        *error = "key expression \"" + text + "\": the key is " + std::to_string(root->length) +
                 " long; 1 to 256 is allowed";
        return false;
    }
    m_text = text;
    m_length = root->length;
    m_root = std::move(root);
    return true;
}

void KeyExpression::evaluate(const unsigned char *record, char *out) const
{
    m_root->write(record, out);
}

std::string KeyExpression::evaluate(const unsigned char *record) const
{
    std::string key(size_t(m_length), ' ');
    m_root->write(record, key.data());
    return key;
}

} // namespace xbase
