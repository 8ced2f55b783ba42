// Markup: tags with their attributes, comments, CDATA sections, processing instructions, the XML
// declaration and the document type declaration.
#include "oxml/TokenReader.h"
#include "oxml/XmlChars.h"
#include "oxml/XmlScan.h"

#include <cstring>

namespace oxml::detail {

namespace {

constexpr std::string_view kComment = "<!--";
constexpr std::string_view kCData = "<![CDATA[";
constexpr std::string_view kDocType = "<!DOCTYPE";
constexpr std::string_view kEntity = "<!ENTITY";
// Declared entities longer than this are refused rather than kept.
constexpr size_t kMaxEntityValue = 64u << 10;

bool Starts(const char* p, const char* end, std::string_view prefix) {
    return static_cast<size_t>(end - p) >= prefix.size() && std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

} // namespace

TokenReader::Status TokenReader::ParseMarkup(Token& token, const char*& p) {
    if (End() - p < 2)
        return More();
    if (p[1] == '/')
        return ParseEndTag(token, p);
    if (p[1] == '?')
        return ParseInstruction(token, p);
    if (p[1] != '!')
        return ParseStartTag(token, p);
    if (static_cast<size_t>(End() - p) < kCData.size() && !inputEnded_)
        return Status::NeedMore;
    if (Starts(p, End(), kComment)) {
        p += kComment.size();
        token.Kind = TokenKind::Comment;
        return ParseDelimited(p, "-->", true, token.Text);
    }
    if (Starts(p, End(), kCData)) {
        p += kCData.size();
        token.Kind = TokenKind::CData;
        return ParseDelimited(p, "]]>", false, token.Text);
    }
    if (Starts(p, End(), kDocType))
        return ParseDocType(token, p);
    const char* q = ScanName(p + 2);
    if (q == End() && !inputEnded_)
        return Status::NeedMore;
    return Fail(TParseErrorKind::InvalidString,
                "The string \"" + std::string(p, q) + "\" cannot occur in text.", p);
}

TokenReader::Status TokenReader::ParseStartTag(Token& token, const char*& p) {
    const char* s = p + 1;
    const char* n = ScanName(s);
    if (n == End())
        return More();
    if (n == s)
        return BadName(s);
    std::string_view name(s, n - s);
    p = n;
    Status status = ParseAttributes(p, false);
    if (status != Status::Ok)
        return status;
    if (*p == '/') {
        if (p + 1 == End())
            return More();
        if (p[1] != '>')
            return HeaderChar(p + 1);
        token.Kind = TokenKind::EmptyTag;
        p += 2;
    } else {
        token.Kind = TokenKind::StartTag;
        open_.Push(name);
        ++p;
    }
    token.Name = name;
    return Status::Ok;
}

TokenReader::Status TokenReader::ParseEndTag(Token& token, const char*& p) {
    const char* s = p + 2;
    const char* n = ScanName(s);
    if (n == End())
        return More();
    if (n == s)
        return BadName(s);
    const char* q = n;
    Status status = SkipSpace(q);
    if (status != Status::Ok)
        return status;
    if (*q != '>')
        return HeaderChar(q);
    std::string_view name(s, n - s);
    status = CheckEndTag(name, p);
    if (status != Status::Ok)
        return status;
    token.Kind = TokenKind::EndTag;
    token.Name = name;
    p = q + 1;
    return Status::Ok;
}

// Attributes up to the end of the tag: p is left on ">" or "/" (on "?" in the XML declaration).
TokenReader::Status TokenReader::ParseAttributes(const char*& p, bool declaration) {
    attributes_.Clear();
    arenaValues_.clear();
    valueArena_.clear();
    for (;;) {
        const char* before = p;
        Status status = SkipSpace(p);
        if (status != Status::Ok)
            return status;
        char c = *p;
        if (declaration ? c == '?' : (c == '>' || c == '/'))
            break;
        const char* nameEnd = ScanName(p);
        if (nameEnd == p)
            return p == before ? HeaderChar(p)
                               : FailChar(TParseErrorKind::InvalidName,
                                          "An attribute cannot start with the character \"%s\".", p);
        if (p == before)
            return HeaderChar(p);
        const char* s = p;
        p = nameEnd;
        std::string_view name(s, p - s);
        // name="value" with nothing between: the usual shape, no blanks to skip. A value that holds
        // nothing to look at closer (nearly every one) is taken here, without the call.
        if (*p == '=' && (p[1] == '"' || p[1] == '\'')) {
            const char* close = FindStop(p + 2, AttributeStops{});
            if (*close == p[1]) {
                attributes_.Add(name, std::string_view(p + 2, close - p - 2));
                p = close + 1;
                continue;
            }
            ++p;
            if ((status = ParseAttributeValue(p, name)) != Status::Ok)
                return status;
            continue;
        }
        if ((status = SkipSpace(p)) != Status::Ok)
            return status;
        if (*p != '=')
            return Fail(TParseErrorKind::InvalidStructure,
                        "Equal sign must follow the attribute \"" + std::string(name) + "\".", p);
        ++p;
        if ((status = SkipSpace(p)) != Status::Ok)
            return status;
        if (*p != '"' && *p != '\'')
            return Fail(TParseErrorKind::InvalidStructure,
                        "\"" + std::string(name) + "\" attribute value must be enclosed in quotes.", p);
        if ((status = ParseAttributeValue(p, name)) != Status::Ok)
            return status;
    }
    // Values rewritten into the arena get their views only now: the arena may have moved meanwhile.
    for (const ArenaValue& v : arenaValues_)
        attributes_.SetValue(v.Index, std::string_view(valueArena_).substr(v.Offset, v.Length));
    if (attributes_.Count() > TSAXAttributes::LinearSearchLimit)
        attributes_.BuildIndex();
    return Status::Ok;
}

TokenReader::Status TokenReader::ParseAttributeValue(const char*& p, std::string_view name) {
    const char quote = *p++;
    const char* start = p;
    const char* flushed = p;
    bool copying = false;
    size_t arenaStart = valueArena_.size();
    for (;;) {
        p = FindStop(p, AttributeStops{});
        if (p == End())
            return More();
        char c = *p;
        Status status = Status::Ok;
        if (c == quote)
            break;
        if (static_cast<uint8_t>(c) >= 0x80) {
            const char* q = SkipMultibyte(p, End());
            if (q != p) {
                p = q;
                continue;
            }
            status = CheckHigh(p, valueArena_, flushed, copying, true);
        } else if (c == '"' || c == '\'' || c == '\t' || c == '\n' || c == '\r') {
            ++p; // kept as written
        } else if (c == '<') {
            if (settings_.StrictXML)
                return FailChar(TParseErrorKind::InvalidCharacter,
                                "The character \"%s\" cannot occur in attribute.", p);
            ++p;
        } else if (c == '&') {
            valueArena_.append(flushed, p - flushed);
            copying = true;
            status = ParseReference(p, valueArena_, true);
            flushed = p;
        } else {
            status = ControlChar(p++, true);
        }
        if (status != Status::Ok)
            return status;
    }
    if (copying) {
        valueArena_.append(flushed, p - flushed);
        arenaValues_.push_back({attributes_.Count(), arenaStart, valueArena_.size() - arenaStart});
        attributes_.Add(name, {});
    } else {
        attributes_.Add(name, std::string_view(start, p - start));
    }
    ++p;
    return Status::Ok;
}

TokenReader::Status TokenReader::ParseInstruction(Token& token, const char*& p) {
    const char* s = p + 2;
    const char* n = ScanName(s);
    if (n == End())
        return More();
    if (n == s)
        return BadName(s);
    std::string_view target(s, n - s);
    if (target == "xml" && settings_.RecognizeXMLDeclaration) {
        if (!firstToken_)
            return Fail(TParseErrorKind::InvalidString, "The string \"<?xml\" cannot occur in text.", p);
        p = n;
        Status status = ParseAttributes(p, true);
        if (status != Status::Ok)
            return status;
        if (p + 1 == End())
            return More();
        if (p[1] != '>')
            return HeaderChar(p + 1);
        p += 2;
        token.Kind = TokenKind::XmlDeclaration;
        return Status::Ok;
    }
    p = n;
    if (!Is(*p, cSpace) && *p != '?')
        return HeaderChar(p);
    Status status = SkipSpace(p);
    if (status != Status::Ok)
        return status;
    token.Kind = TokenKind::ProcessingInstruction;
    token.Name = target;
    return ParseDelimited(p, "?>", false, token.Text);
}

TokenReader::Status TokenReader::ParseQuoted(const char*& p, std::string_view& value) {
    const char* close = static_cast<const char*>(std::memchr(p + 1, *p, End() - p - 1));
    if (!close)
        return More();
    value = std::string_view(p + 1, close - p - 1);
    p = close + 1;
    return Status::Ok;
}

// "<!DOCTYPE name ...>": read for its entity declarations, otherwise passed over.
TokenReader::Status TokenReader::ParseDocType(Token& token, const char*& p) {
    p += kDocType.size();
    if (!Is(*p, cSpace))
        return HeaderChar(p);
    Status status = SkipSpace(p);
    if (status != Status::Ok)
        return status;
    const char* s = p;
    p = ScanName(p);
    if (p == s)
        return BadName(s);
    for (;;) {
        if ((status = SkipSpace(p)) != Status::Ok)
            return status;
        std::string_view literal;
        if (*p == '>')
            break;
        if (*p == '[') {
            ++p;
            status = ParseInternalSubset(p);
        } else if (*p == '"' || *p == '\'') {
            status = ParseQuoted(p, literal);
        } else if (ScanName(p) != p) {
            p = ScanName(p); // SYSTEM or PUBLIC
        } else {
            return HeaderChar(p);
        }
        if (status != Status::Ok)
            return status;
    }
    ++p;
    token.Kind = TokenKind::DocType;
    return Status::Ok;
}

TokenReader::Status TokenReader::ParseInternalSubset(const char*& p) {
    for (;;) {
        Status status = SkipSpace(p);
        if (status != Status::Ok)
            return status;
        std::string_view skipped;
        if (*p == ']') {
            ++p;
            return Status::Ok;
        }
        if (static_cast<size_t>(End() - p) < kEntity.size() && !inputEnded_)
            return Status::NeedMore;
        if (*p == '%') { // a parameter-entity reference: external subsets are not read
            const char* q = ScanName(p + 1);
            if (q == End())
                return More();
            if (q == p + 1 || *q != ';')
                return Fail(TParseErrorKind::InvalidEntity,
                            "\"" + std::string(p + 1, q) + "\" is not a valid entity.", p);
            p = q + 1;
        } else if (Starts(p, End(), kComment)) {
            p += kComment.size();
            status = ParseDelimited(p, "-->", true, skipped);
        } else if (Starts(p, End(), "<?")) {
            p += 2;
            status = ParseDelimited(p, "?>", false, skipped);
        } else if (Starts(p, End(), kEntity)) {
            status = ParseEntityDecl(p);
        } else if (Starts(p, End(), "<!")) { // element, attribute-list and notation declarations
            p += 2;
            while (status == Status::Ok && *p != '>') {
                if (p == End())
                    return More();
                if (*p == '"' || *p == '\'')
                    status = ParseQuoted(p, skipped);
                else
                    ++p;
            }
            ++p;
        } else {
            return HeaderChar(p);
        }
        if (status != Status::Ok)
            return status;
    }
}

TokenReader::Status TokenReader::ParseEntityDecl(const char*& p) {
    p += kEntity.size();
    if (!Is(*p, cSpace))
        return HeaderChar(p);
    Status status = SkipSpace(p);
    if (status != Status::Ok)
        return status;
    bool parameter = *p == '%';
    if (parameter && (status = SkipSpace(++p)) != Status::Ok)
        return status;
    const char* s = p;
    p = ScanName(p);
    if (p == End())
        return More();
    if (p == s)
        return BadName(s);
    std::string name(s, p);
    if ((status = SkipSpace(p)) != Status::Ok)
        return status;
    std::string_view literal;
    if (End() - p < 6 && !inputEnded_)
        return Status::NeedMore;
    if (*p == '"' || *p == '\'') {
        const char* valueStart = p + 1;
        if ((status = ParseQuoted(p, literal)) != Status::Ok)
            return status;
        std::string value;
        const char* valueEnd = valueStart + literal.size();
        for (const char* q = valueStart; q < valueEnd;) {
            uint32_t codePoint = 0;
            int length = Is(*q, cHigh) ? Utf8SequenceLength(q, valueEnd, codePoint) : 1;
            if (*q == '&') {
                if ((status = ParseReference(q, value, false)) != Status::Ok)
                    return status;
            } else if (length <= 0) { // kept as text later on, so it must be UTF-8 like all text
                value += "\xEF\xBF\xBD";
                ++q;
            } else {
                value.append(q, length);
                q += length;
            }
        }
        if (value.size() > kMaxEntityValue)
            return Fail(TParseErrorKind::InvalidEntity, "\"" + name + "\" is not a valid entity.", s);
        if (!parameter)
            entities_.emplace(std::move(name), std::move(value)); // the first declaration binds
    } else if (Starts(p, End(), "SYSTEM") || Starts(p, End(), "PUBLIC")) {
        while (status == Status::Ok && *p != '>') { // SYSTEM / PUBLIC literals, NDATA: external, not read
            if ((status = SkipSpace(p)) != Status::Ok)
                return status;
            if (*p == '"' || *p == '\'')
                status = ParseQuoted(p, literal);
            else if (ScanName(p) != p)
                p = ScanName(p);
            else if (*p != '>')
                return HeaderChar(p);
        }
    } else {
        return Fail(TParseErrorKind::InvalidStructure,
                    "\"" + name + "\" entity value must be enclosed in quotes.", p);
    }
    if (status != Status::Ok || (status = SkipSpace(p)) != Status::Ok)
        return status;
    if (*p != '>')
        return HeaderChar(p);
    ++p;
    return Status::Ok;
}

} // namespace oxml::detail
