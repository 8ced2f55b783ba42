#pragma once
// A small XML document object model with the same behaviour on every build: MSXML 6 through COM on
// Windows, pugixml elsewhere. Comments and processing instructions are nodes of their own (positions
// count them); white space between elements is dropped when a document is loaded.
#include "Errors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xml {

// The XML declaration is a processing instruction named "xml" whose value is its pseudo-attributes.
enum class TXmlNodeKind { Document, Element, Text, CData, Comment, ProcessingInstruction, Other };

// Raised for a document that cannot be read, parsed or saved, and for a position out of range.
class EXmlError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EXmlError"; }
};

// A handle to one node of a loaded document. Copies refer to the same node; a handle keeps its
// document alive.
class TXmlNode {
public:
    struct Impl;
    TXmlNode();
    explicit TXmlNode(std::shared_ptr<Impl> impl);

    bool IsNull() const { return !impl_; }
    bool IsElement() const;
    TXmlNodeKind Kind() const;
    // Element name, or "#comment", "#text", "#cdata-section" and the target of an instruction.
    std::string NodeName() const;
    // The text of a text, CDATA or comment node; the concatenated text of an element.
    std::string Text() const;
    // The value of a text, CDATA, comment or processing-instruction node exactly as parsed; empty for
    // other nodes.
    std::string Value() const;

    int ChildCount() const;
    TXmlNode Child(int index) const;
    // The first child element with this name; an empty one is appended when there is none.
    TXmlNode ChildNodeByName(const std::string& name);

    bool HasAttribute(const std::string& name) const;
    std::optional<std::string> Attribute(const std::string& name) const;
    // Every attribute of an element, name and value, in document order.
    std::vector<std::pair<std::string, std::string>> Attributes() const;
    void SetAttribute(const std::string& name, std::string_view value);
    void SetAttribute(const std::string& name, const char* value) {
        SetAttribute(name, std::string_view(value));
    }
    void SetAttribute(const std::string& name, int64_t value);
    void SetAttribute(const std::string& name, int value) { SetAttribute(name, static_cast<int64_t>(value)); }
    void SetAttribute(const std::string& name, bool value);

    // Inserts a new element before the child at position (position == ChildCount() appends).
    TXmlNode InsertElement(int position, const std::string& name);
    void DeleteChild(int position);

private:
    std::shared_ptr<Impl> impl_;
};

class TXmlDocument {
public:
    struct Impl;
    TXmlDocument();
    ~TXmlDocument();
    TXmlDocument(const TXmlDocument&) = delete;
    TXmlDocument& operator=(const TXmlDocument&) = delete;

    void LoadFromFile(const std::string& path);
    void LoadFromBytes(std::string_view bytes);
    TXmlNode DocumentElement() const;
    // The document itself: its children are the XML declaration, the comments and instructions around
    // the document element, and that element.
    TXmlNode DocumentNode() const;

    // The document as administrators read it: one node per line, nested elements indented by two
    // blanks, lines ended by CR LF, comments and the declaration kept, in the encoding the declaration
    // names (UTF-8 without one). An element holding text keeps its content on its line, unchanged.
    std::string SaveToBytes() const;
    // Replaces the file's content with SaveToBytes() without ever leaving it half-written
    // (plat::ReplaceFileContent): an existing file keeps its permissions.
    void SaveToFile(const std::string& path) const;

private:
    std::shared_ptr<Impl> impl_;
};

} // namespace xml
