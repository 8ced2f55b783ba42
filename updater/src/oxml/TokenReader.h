#pragma once
// The tokenizer under TSAXParser. It holds one window of decoded input: the current token and what
// follows it. A token that does not fit is parsed again once more input has been appended (the input
// grows at least by the token's own length, so the re-parsing stays linear), so every token is seen
// contiguous and names and texts can be handed out as views into the window.
#include "oxml/SAXParser.h"
#include "oxml/TextSource.h"
#include "oxml/XmlChars.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace oxml::detail {

enum class TokenKind {
    XmlDeclaration,
    StartTag,
    EmptyTag, // "<name/>": a start and an end at once
    EndTag,
    Text,
    CData,
    EntityRef, // a reference left unexpanded
    Comment,
    ProcessingInstruction,
    DocType,
};

struct Token {
    TokenKind Kind = TokenKind::Text;
    std::string_view Name; // element name or instruction target
    std::string_view Text; // text, comment or instruction content
};

// The names of the open elements, innermost last, packed in one buffer.
class ElementStack {
public:
    void Clear() {
        top_ = 0;
        offsets_.clear();
    }
    size_t Depth() const { return offsets_.size(); }
    std::string_view Top() const {
        return std::string_view(names_.data() + offsets_.back(), top_ - offsets_.back());
    }
    // name must lie in a buffer readable for kNameSlack bytes past its start (the reader's window is).
    void Push(std::string_view name) {
        if (top_ + name.size() + kNameSlack > names_.size())
            names_.resize(std::max(names_.size() * 2, top_ + name.size() + kNameSlack));
        offsets_.push_back(static_cast<uint32_t>(top_));
        char* to = names_.data() + top_;
        // Nearly every name is short: one fixed-size copy, inlined, instead of a call.
        if (name.size() <= kNameSlack)
            std::memcpy(to, name.data(), kNameSlack);
        else
            std::memcpy(to, name.data(), name.size());
        top_ += name.size();
    }
    // True when name closes the innermost element, which is then gone.
    bool PopIf(std::string_view name) {
        const size_t from = offsets_.back();
        if (top_ - from != name.size() || !SameBytes(names_.data() + from, name.data(), name.size()))
            return false;
        top_ = from;
        offsets_.pop_back();
        return true;
    }

    static constexpr size_t kNameSlack = 16;

private:
    static bool SameBytes(const char* a, const char* b, size_t n) {
        for (; n >= 8; a += 8, b += 8, n -= 8) {
            uint64_t x, y;
            std::memcpy(&x, a, 8);
            std::memcpy(&y, b, 8);
            if (x != y)
                return false;
        }
        for (; n > 0; --n)
            if (*a++ != *b++)
                return false;
        return true;
    }

    std::vector<char> names_;
    size_t top_ = 0;
    std::vector<uint32_t> offsets_;
};

class TokenReader {
public:
    explicit TokenReader(const TSAXReaderSettings& settings) : settings_(settings) {}

    void Start(IByteStream& stream, uint32_t forceCodePage, const std::string& fileName);
    // The next token; false at the end of the input or when an error has been recorded.
    bool Next(Token& token);
    const TSAXAttributes& Attributes() const { return attributes_; }
    size_t Depth() const { return open_.Depth(); }
    const TParseError& Error() const { return error_; }

private:
    enum class Status { Ok, NeedMore, Failed };

    // Window of input.
    bool Fill();
    void Discard(size_t count);
    void Restart();

    // Token parsers: each begins at pos_, sets the token and the end of the token in p.
    Status ParseToken(Token& token, const char*& p);
    Status ParseMarkup(Token& token, const char*& p);
    Status ParseStartTag(Token& token, const char*& p);
    Status ParseEndTag(Token& token, const char*& p);
    Status ParseAttributes(const char*& p, bool declaration);
    Status ParseAttributeValue(const char*& p, std::string_view name);
    Status ParseText(Token& token, const char*& p);
    Status ParseReference(const char*& p, std::string& out, bool inAttribute);
    Status ParseCharRef(const char* start, const char* semicolon, std::string& out, bool inAttribute);
    Status ParseDelimited(const char*& p, std::string_view terminator, bool comment, std::string_view& out);
    Status ParseInstruction(Token& token, const char*& p);
    Status ParseDocType(Token& token, const char*& p);
    Status ParseInternalSubset(const char*& p);
    Status ParseEntityDecl(const char*& p);
    Status ParseQuoted(const char*& p, std::string_view& value);
    Status SkipSpace(const char*& p) {
        const char* q = p; // a local the compiler keeps in a register
        while (Is(*q, cSpace))
            ++q;
        p = q;
        return p == End() ? More() : Status::Ok;
    }
    Status CheckHigh(const char*& p, std::string& out, const char*& flushed, bool& copying, bool inAttribute);
    Status LineBreak(const char*& p, std::string& out, const char*& flushed, bool& copying);
    Status ControlChar(const char* p, bool inAttribute);

    // Names and structure.
    // The end of the name at p (p itself when none starts there), or End() when the input ends inside
    // it. Plain ASCII names, nearly all of them, are scanned here without a call.
    const char* ScanName(const char* p) const {
        if (!IsNameStartAscii(*p))
            return ScanNameSlow(p);
        const char* q = p + 1;
        while (IsNameAscii(*q))
            ++q;
        return Is(*q, cHigh) ? ScanNameSlow(p) : q;
    }
    const char* ScanNameSlow(const char* p) const;
    Status BadName(const char* p);
    Status HeaderChar(const char* p);
    Status Unexpected(); // the input ended inside a token
    Status More() { return inputEnded_ ? Unexpected() : Status::NeedMore; }
    const char* End() const { return buffer_.data() + end_; }
    Status CheckEndTag(std::string_view name, const char* where);

    Status Fail(TParseErrorKind kind, std::string reason, const char* where);
    Status FailChar(TParseErrorKind kind, const char* format, const char* where);

    const TSAXReaderSettings& settings_;
    TextSource source_;
    std::string fileName_;
    std::vector<char> buffer_; // the window, padded with a NUL guard after end_
    size_t pos_ = 0;           // start of the next token
    size_t end_ = 0;           // end of the input read so far
    bool inputEnded_ = false;
    bool firstToken_ = true;

    // Where the window starts in the document, for error positions.
    uint64_t charsBefore_ = 0;
    uint64_t linesBefore_ = 0;
    uint64_t lineCharsBefore_ = 0;

    TSAXAttributes attributes_;
    // Values that had to be rewritten: attribute index, offset and length in valueArena_.
    struct ArenaValue {
        size_t Index, Offset, Length;
    };
    std::vector<ArenaValue> arenaValues_;
    std::string valueArena_;
    std::string textOut_;
    std::string nameScratch_;
    ElementStack open_;
    std::unordered_map<std::string, std::string> entities_;
    uint64_t entityBudget_ = 0;
    TParseError error_;
};

} // namespace oxml::detail
