// Text-like content: text runs, references, and the bodies of comments, CDATA sections and
// processing instructions. The plain stretches are handed out as views into the window; a run is
// copied into a scratch buffer only when something in it must be rewritten (a reference, a line
// break, a malformed UTF-8 sequence).
#include "oxml/TokenReader.h"
#include "oxml/XmlChars.h"
#include "oxml/XmlScan.h"

#include "text/TextCodec.h"

#include <cctype>
#include <cstring>

namespace oxml::detail {

namespace {

constexpr const char* kTextChar = "The character \"%s\" cannot occur in text.";
constexpr const char* kAttrChar = "The character \"%s\" cannot occur in attribute.";
constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";
// Bound of the text that references to declared entities may add to one token, so that a small
// document cannot expand into an unbounded one.
constexpr uint64_t kEntityBudget = 16u << 20;

void Replace(const char*& p, size_t length, std::string_view with, std::string& out, const char*& flushed,
             bool& copying) {
    out.append(flushed, p - flushed);
    out.append(with);
    p += length;
    flushed = p;
    copying = true;
}

bool Matches(const char* s, std::string_view text) {
    return std::memcmp(s, text.data(), text.size()) == 0;
}

// The length of the predefined entity reference at s, just after its "&", with what it stands for;
// 0 for any other. Nearly every reference of a dump is one of these: they are told apart by their
// first byte and one fixed-size compare. Reading a few bytes past the end of the input is safe: the
// NUL guard there matches no byte of a name.
size_t PredefinedAt(const char* s, char& value) {
    switch (*s) {
    case 'a':
        if (Matches(s, "amp;")) {
            value = '&';
            return 4;
        }
        value = '\'';
        return Matches(s, "apos;") ? 5 : 0;
    case 'l':
        value = '<';
        return Matches(s, "lt;") ? 3 : 0;
    case 'g':
        value = '>';
        return Matches(s, "gt;") ? 3 : 0;
    case 'q':
        value = '"';
        return Matches(s, "quot;") ? 5 : 0;
    default:
        return 0;
    }
}

} // namespace

TokenReader::Status TokenReader::ControlChar(const char* p, bool inAttribute) {
    if (!settings_.StrictXML)
        return Status::Ok;
    return FailChar(TParseErrorKind::InvalidCharacter, inAttribute ? kAttrChar : kTextChar, p);
}

TokenReader::Status TokenReader::CheckHigh(const char*& p, std::string& out, const char*& flushed,
                                           bool& copying, bool inAttribute) {
    uint32_t codePoint = 0;
    int length = Utf8SequenceLength(p, End(), codePoint);
    if (length < 0) {
        if (!inputEnded_)
            return Status::NeedMore;
        length = 0;
    }
    if (length == 0) {
        Replace(p, 1, kReplacementChar, out, flushed, copying);
        return Status::Ok;
    }
    if ((codePoint == 0xFFFE || codePoint == 0xFFFF) && settings_.StrictXML)
        return FailChar(TParseErrorKind::InvalidCharacter, inAttribute ? kAttrChar : kTextChar, p);
    p += length;
    return Status::Ok;
}

TokenReader::Status TokenReader::LineBreak(const char*& p, std::string& out, const char*& flushed,
                                           bool& copying) {
    TLineBreak mode = settings_.LineBreak;
    if (*p == '\n') {
        if (mode == lbCRLF)
            Replace(p, 1, "\r\n", out, flushed, copying);
        else if (mode == lbCR)
            Replace(p, 1, "\r", out, flushed, copying);
        else
            ++p;
        return Status::Ok;
    }
    if (p + 1 == End() && !inputEnded_)
        return Status::NeedMore;
    size_t length = p + 1 < End() && p[1] == '\n' ? 2 : 1;
    if (mode == lbCRLF && length == 1)
        Replace(p, 1, "\r\n", out, flushed, copying);
    else if (mode == lbLF)
        Replace(p, length, "\n", out, flushed, copying);
    else if (mode == lbCR && length == 2)
        Replace(p, 2, "\r", out, flushed, copying);
    else
        p += length;
    return Status::Ok;
}

namespace {

// The indentation between tags after its line break has become CR LF: handed out from here
// instead of being copied.
constexpr std::string_view kTabIndent = "\r\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
constexpr std::string_view kBlankIndent = "\r\n                                ";

// A line break followed by nothing but tabs or nothing but blanks up to the next tag: the text
// between the tags of nearly every dump. True, with the text and the tag in p, when p starts one.
bool IndentBeforeTag(const char*& p, TLineBreak mode, std::string_view& text) {
    if (mode != lbCRLF)
        return false;
    const char* q = p;
    q += *q == '\r' && q[1] == '\n' ? 2 : *q == '\n' ? 1 : 0;
    if (q == p)
        return false;
    const char fill = *q;
    const std::string_view& indent = fill == '\t' ? kTabIndent : kBlankIndent;
    const char* r = q;
    if (fill == '\t' || fill == ' ')
        while (*r == fill)
            ++r;
    const size_t width = r - q;
    if (*r != '<' || 2 + width > indent.size())
        return false;
    text = indent.substr(0, 2 + width);
    p = r;
    return true;
}

} // namespace

TokenReader::Status TokenReader::ParseText(Token& token, const char*& p) {
    if (IndentBeforeTag(p, settings_.LineBreak, token.Text)) {
        token.Kind = TokenKind::Text;
        return Status::Ok;
    }
    const char* start = p;
    const char* flushed = p;
    bool copying = false;
    textOut_.clear();
    for (;;) {
        p = FindStop(p, TextStops{});
        if (p == End()) {
            if (!inputEnded_)
                return Status::NeedMore;
            break;
        }
        char c = *p;
        Status status = Status::Ok;
        if (c == '<')
            break;
        if (static_cast<uint8_t>(c) >= 0x80) {
            const char* q = SkipMultibyte(p, End());
            if (q != p) {
                p = q;
                continue;
            }
            status = CheckHigh(p, textOut_, flushed, copying, false);
        } else if (c == '\t') {
            ++p;
        } else if (c == '&') {
            if (!settings_.ExpandEntities) {
                if (p != start)
                    break;
                nameScratch_.clear();
                status = ParseReference(p, nameScratch_, false);
                if (status != Status::Ok)
                    return status;
                token.Kind = TokenKind::EntityRef;
                token.Text = std::string_view(start, p - start);
                return Status::Ok;
            }
            textOut_.append(flushed, p - flushed);
            copying = true;
            status = ParseReference(p, textOut_, false);
            flushed = p;
        } else if (c == '\n' && settings_.LineBreak == lbCRLF) {
            // The LF that starts the indentation between tags: the commonest rewrite of a dump.
            textOut_.append(flushed, p - flushed);
            textOut_.push_back('\r');
            flushed = p++;
            copying = true;
        } else if (Is(c, cLine)) {
            status = LineBreak(p, textOut_, flushed, copying);
        } else if (c == ']') {
            if (End() - p < 3 && !inputEnded_)
                return Status::NeedMore;
            if (End() - p >= 3 && p[1] == ']' && p[2] == '>' && settings_.StrictXML)
                return FailChar(TParseErrorKind::InvalidCharacter, kTextChar, p + 2);
            ++p;
        } else {
            status = ControlChar(p++, false);
        }
        if (status != Status::Ok)
            return status;
    }
    if (copying) {
        textOut_.append(flushed, p - flushed);
        token.Text = textOut_;
    } else {
        token.Text = std::string_view(start, p - start);
    }
    token.Kind = TokenKind::Text;
    return Status::Ok;
}

TokenReader::Status TokenReader::ParseReference(const char*& p, std::string& out, bool inAttribute) {
    const char* s = p + 1;
    char predefined;
    if (size_t length = PredefinedAt(s, predefined)) {
        out.push_back(predefined);
        p = s + length;
        return Status::Ok;
    }
    const char* q = s;
    if (*q == '#') {
        ++q;
        bool hex = *q == 'x';
        q += hex;
        while (hex ? std::isxdigit(static_cast<uint8_t>(*q)) : std::isdigit(static_cast<uint8_t>(*q)))
            ++q;
    } else {
        q = ScanName(s);
    }
    if (q == End() && !inputEnded_)
        return Status::NeedMore;
    bool wellFormed = q < End() && *q == ';' && q != s;
    if (wellFormed && *s == '#') {
        Status status = ParseCharRef(s, q, out, inAttribute);
        if (status == Status::Ok)
            p = q + 1;
        return status;
    }
    std::string_view name(s, q - s);
    if (wellFormed) {
        // The predefined entities are taken above: a declaration cannot redefine them.
        auto found = entities_.find(std::string(name));
        if (found != entities_.end()) {
            entityBudget_ += found->second.size();
            if (entityBudget_ <= kEntityBudget) {
                out.append(found->second);
                p = q + 1;
                return Status::Ok;
            }
        }
    }
    if (settings_.StrictXML)
        return Fail(TParseErrorKind::InvalidEntity, "\"" + std::string(name) + "\" is not a valid entity.",
                    p);
    // Lenient reading keeps what cannot be resolved as it was written.
    const char* next = wellFormed ? q + 1 : s;
    out.append(p, next - p);
    p = next;
    return Status::Ok;
}

TokenReader::Status TokenReader::ParseCharRef(const char* start, const char* semicolon, std::string& out,
                                              bool inAttribute) {
    bool hex = start[1] == 'x';
    const char* digits = start + 1 + hex;
    uint32_t codePoint = 0;
    bool tooLarge = false;
    for (const char* d = digits; d < semicolon; ++d) {
        uint32_t v = std::isdigit(static_cast<uint8_t>(*d)) ? *d - '0' : (std::tolower(*d) - 'a' + 10);
        codePoint = codePoint * (hex ? 16 : 10) + v;
        tooLarge = tooLarge || codePoint > 0x10FFFF;
        if (tooLarge)
            codePoint = 0x110000;
    }
    if (digits == semicolon || tooLarge) {
        if (settings_.StrictXML)
            return Fail(TParseErrorKind::InvalidEntity,
                        "\"" + std::string(start, semicolon) + "\" is not a valid entity.", start - 1);
        out.append(start - 1, semicolon + 1 - (start - 1));
        return Status::Ok;
    }
    if (!IsXmlChar(codePoint)) {
        if (settings_.StrictXML) {
            std::string reason = inAttribute ? kAttrChar : kTextChar;
            reason.replace(reason.find("%s"), 2, ShowChar(codePoint));
            return Fail(TParseErrorKind::InvalidCharacter, std::move(reason), start - 1);
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            codePoint = 0xFFFD;
    }
    text::AppendUtf8(out, codePoint);
    return Status::Ok;
}

// The body of a comment, CDATA section or processing instruction, up to its terminator. Line breaks
// are delivered like those of text; references are not recognised.
TokenReader::Status TokenReader::ParseDelimited(const char*& p, std::string_view terminator, bool comment,
                                                std::string_view& out) {
    const char* start = p;
    const char* flushed = p;
    bool copying = false;
    textOut_.clear();
    const char first = terminator[0];
    for (;;) {
        const char* q = p; // a local the compiler keeps in a register
        while (!Is(*q, cLine | cControl | cHigh) && *q != first)
            ++q;
        p = q;
        if (p == End())
            return More();
        Status status = Status::Ok;
        if (*p == first) {
            if (static_cast<size_t>(End() - p) < terminator.size())
                return More();
            if (std::string_view(p, terminator.size()) == terminator)
                break;
            if (comment && p[1] == '-')
                return Fail(TParseErrorKind::InvalidString, "The string \"--\" cannot occur in text.", p);
            ++p;
        } else if (Is(*p, cLine)) {
            status = LineBreak(p, textOut_, flushed, copying);
        } else if (Is(*p, cControl)) {
            status = ControlChar(p++, false);
        } else {
            status = CheckHigh(p, textOut_, flushed, copying, false);
        }
        if (status != Status::Ok)
            return status;
    }
    if (copying) {
        textOut_.append(flushed, p - flushed);
        out = textOut_;
    } else {
        out = std::string_view(start, p - start);
    }
    p += terminator.size();
    return Status::Ok;
}

} // namespace oxml::detail
