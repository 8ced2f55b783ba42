#pragma once
// TSAXParser: a streaming XML event reader. It reads the input front to back in 16384-byte blocks,
// keeps only the current token in memory and hands every piece of the document to the handler slots.
//
// Everything a handler receives (names, texts, TSAXAttributes) is a view into the reader's own
// buffers: it is valid during that event only. Copy what must outlive the event.
#include "Errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxml {

enum TBreakReading {
    brNone,                 // read to the end of the input
    brAfterDocumentElement, // stop as soon as the document element is closed
};

enum TLineBreak {
    lbLF,
    lbCR,
    lbCRLF,        // every line break in text (CR LF, lone CR, lone LF) arrives as CR LF
    lbDoNotProcess // line breaks arrive as written
};

enum TErrorHandling {
    ehSilent,      // the run stops, the error is kept in ParseError
    ehRaise,       // as ehSilent, and ParseFile throws ESAXParseError instead of firing OnEndDocument
    ehRaiseAndEat, // as ehSilent; OnEndDocument still fires and nothing leaves ParseFile
};

struct TSAXReaderSettings {
    TBreakReading BreakReading = brAfterDocumentElement;
    TLineBreak LineBreak = lbCRLF;
    // Off: forbidden characters are accepted and unknown or malformed references stay as written.
    bool StrictXML = true;
    // Off: a leading "<?xml ...?>" is an ordinary processing instruction and never switches encoding.
    bool RecognizeXMLDeclaration = true;
    // Off: every reference in text arrives as an OnCharacters event of its own, as written ("&amp;").
    bool ExpandEntities = true;
    TErrorHandling ErrorHandling = ehRaiseAndEat;
};

enum class TParseErrorKind {
    None,
    InvalidCharacter, // a character that cannot stand where it stands
    InvalidString,    // a sequence that cannot stand where it stands
    InvalidName,      // an element or attribute name that is not an XML name
    InvalidStructure, // missing "=", unquoted values, unbalanced tags, unexpected end of input
    InvalidEntity,    // an undefined entity or a malformed reference
};

struct TParseError {
    TParseErrorKind Kind = TParseErrorKind::None;
    std::string Reason;   // e.g. "Too many elements closed."
    uint64_t Line = 0;    // 1-based, counted by LF characters (CR LF counts once)
    uint64_t LinePos = 0; // 1-based, in characters
    uint64_t FilePos = 0; // 1-based, in characters of the document (a byte-order mark not counted)
    std::string FileName;

    bool HasError() const { return Kind != TParseErrorKind::None; }
};

// A file that cannot be opened: not a parse error, it leaves ParseFile.
class EFOpenError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EFOpenError"; }
};

// The input failed while it was being read.
class EReadError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EReadError"; }
};

// Thrown by ParseFile under ehRaise.
class ESAXParseError : public EBaseError {
public:
    explicit ESAXParseError(const TParseError& error) : EBaseError(error.Reason), error_(error) {}
    const char* ClassName() const noexcept override { return "ESAXParseError"; }
    const TParseError& Error() const noexcept { return error_; }

private:
    TParseError error_;
};

struct TSAXAttribute {
    std::string_view NodeName;
    std::string_view NodeValue;
};

// The attributes of the current start tag (or the pseudo-attributes of the XML declaration), in
// document order. Names are compared exactly: "xsi:nil" is one name, letter case counts. When a name
// occurs twice the first occurrence wins.
class TSAXAttributes {
public:
    // Tags with more attributes than this get a hash index; smaller ones are searched one by one.
    static constexpr size_t LinearSearchLimit = 256;

    size_t Count() const { return count_; }
    const TSAXAttribute& Items(size_t index) const { return items_[index]; }
    const TSAXAttribute& operator[](size_t index) const { return items_[index]; }
    std::string_view Name(size_t index) const { return items_[index].NodeName; }
    std::string_view Value(size_t index) const { return items_[index].NodeValue; }

    bool Has(std::string_view name) const { return IndexOf(name) >= 0; }
    // The value, or the empty text when the attribute is absent.
    std::string_view Get(std::string_view name) const;
    std::string_view GetDef(std::string_view name, std::string_view def) const;
    bool Find(std::string_view name, std::string_view& value) const;
    long IndexOf(std::string_view name) const;

    const TSAXAttribute* begin() const { return items_.data(); }
    const TSAXAttribute* end() const { return items_.data() + count_; }

    // Filled by the reader; the storage is reused from tag to tag.
    void Clear() {
        count_ = 0;
        if (indexed_)
            DropIndex();
    }
    void Add(std::string_view name, std::string_view value) {
        if (count_ == items_.size())
            Grow();
        items_[count_++] = {name, value};
    }
    void SetValue(size_t index, std::string_view value) { items_[index].NodeValue = value; }
    void BuildIndex();

private:
    void DropIndex();
    void Grow();

    std::vector<TSAXAttribute> items_;
    size_t count_ = 0;
    std::unordered_map<std::string_view, size_t> index_;
    bool indexed_ = false;
};

// The raw input of a run. ParseFile reads files through it; tests and tools may hand their own.
class IByteStream {
public:
    virtual ~IByteStream() = default;
    // Fills up to size bytes; 0 at the end of the input.
    virtual size_t Read(void* buffer, size_t size) = 0;
    // Back to the first byte (a declared encoding makes the reader start over). False if impossible.
    virtual bool Rewind() = 0;
};

class TSAXParser;
using TSAXNotifyEvent = std::function<void(TSAXParser& sender)>;
using TSAXDeclarationEvent = std::function<void(TSAXParser& sender, const TSAXAttributes& attributes)>;
using TSAXStartElementEvent =
    std::function<void(TSAXParser& sender, std::string_view name, const TSAXAttributes& attributes)>;
using TSAXEndElementEvent = std::function<void(TSAXParser& sender, std::string_view name)>;
using TSAXTextEvent = std::function<void(TSAXParser& sender, std::string_view text)>;
using TSAXProcessingInstructionEvent =
    std::function<void(TSAXParser& sender, std::string_view target, std::string_view content)>;

// Code page of an encoding name of an XML declaration ("windows-1251" -> 1251), compared without
// regard to case; 0 for a name the reader does not switch to.
uint32_t CodePageOfEncodingName(std::string_view name);

namespace detail {
class TokenReader;
struct Token;
} // namespace detail

class TSAXParser {
public:
    TSAXParser();
    ~TSAXParser();
    TSAXParser(const TSAXParser&) = delete;
    TSAXParser& operator=(const TSAXParser&) = delete;

    TSAXNotifyEvent OnStartDocument;
    TSAXNotifyEvent OnEndDocument;
    TSAXDeclarationEvent OnXMLDeclaration;
    TSAXStartElementEvent OnStartElement;
    TSAXEndElementEvent OnEndElement;
    TSAXTextEvent OnCharacters;
    TSAXTextEvent OnComment;
    TSAXProcessingInstructionEvent OnProcessingInstruction;

    TSAXReaderSettings ReaderSettings;

    // Opens the file read-only (others may read and write it) and reads it through, firing the
    // events. True when no error occurred. forceCodePage (a Windows code page, 0 = none) overrides the
    // byte-order mark and the declaration. Throws EFOpenError when the file cannot be opened.
    bool ParseFile(const std::string& fileName, uint32_t forceCodePage = 0);
    // The same over any byte stream; fileName only names it in ParseError.
    bool ParseStream(IByteStream& stream, const std::string& fileName = std::string(),
                     uint32_t forceCodePage = 0);
    // The same over bytes in memory (not copied).
    bool ParseBuffer(std::string_view bytes, uint32_t forceCodePage = 0);

    // The run ends before the next token; OnEndDocument does not fire.
    void StopParsing() { stopped_ = true; }
    const TParseError& ParseError() const { return error_; }

private:
    bool Run(IByteStream& stream, const std::string& fileName, uint32_t forceCodePage);
    void Dispatch(const detail::Token& token);

    std::unique_ptr<detail::TokenReader> reader_;
    TParseError error_;
    bool stopped_ = false;
    bool started_ = false;
};

} // namespace oxml
