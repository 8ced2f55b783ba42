#include "xml/XmlDom.h"

#include "platform/Platform.h"

#include <pugixml.hpp>

namespace xml {

struct TXmlNode::Impl {
    std::shared_ptr<pugi::xml_document> Doc;
    pugi::xml_node Node;
};

struct TXmlDocument::Impl {
    std::shared_ptr<pugi::xml_document> Doc = std::make_shared<pugi::xml_document>();
    bool Loaded = false;
};

namespace {

// Whitespace-only text between elements is not kept (pugixml drops it without parse_ws_pcdata).
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration;

TXmlNode Wrap(const std::shared_ptr<pugi::xml_document>& doc, pugi::xml_node node) {
    if (!node)
        return TXmlNode();
    return TXmlNode(std::make_shared<TXmlNode::Impl>(TXmlNode::Impl{doc, node}));
}

pugi::xml_node ChildAt(pugi::xml_node parent, int index) {
    if (index < 0)
        return pugi::xml_node();
    pugi::xml_node child = parent.first_child();
    for (int i = 0; child && i < index; ++i)
        child = child.next_sibling();
    return child;
}

pugi::xml_node Require(const std::shared_ptr<TXmlNode::Impl>& impl) {
    if (!impl)
        throw EXmlError("Operation on an empty XML node");
    return impl->Node;
}

// pugixml keeps the declaration's pseudo-attributes as attributes; the other DOM keeps their text.
std::string DeclarationText(pugi::xml_node decl) {
    std::string text;
    for (pugi::xml_attribute a : decl.attributes()) {
        if (!text.empty())
            text += ' ';
        text += std::string(a.name()) + "=\"" + a.value() + "\"";
    }
    return text;
}

} // namespace

TXmlNode::TXmlNode() = default;
TXmlNode::TXmlNode(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

bool TXmlNode::IsElement() const {
    return impl_ && impl_->Node.type() == pugi::node_element;
}

TXmlNodeKind TXmlNode::Kind() const {
    switch (Require(impl_).type()) {
    case pugi::node_document:
        return TXmlNodeKind::Document;
    case pugi::node_element:
        return TXmlNodeKind::Element;
    case pugi::node_pcdata:
        return TXmlNodeKind::Text;
    case pugi::node_cdata:
        return TXmlNodeKind::CData;
    case pugi::node_comment:
        return TXmlNodeKind::Comment;
    case pugi::node_pi:
    case pugi::node_declaration:
        return TXmlNodeKind::ProcessingInstruction;
    default:
        return TXmlNodeKind::Other;
    }
}

std::string TXmlNode::NodeName() const {
    pugi::xml_node n = Require(impl_);
    switch (n.type()) {
    case pugi::node_comment:
        return "#comment";
    case pugi::node_pcdata:
        return "#text";
    case pugi::node_cdata:
        return "#cdata-section";
    default:
        return n.name();
    }
}

std::string TXmlNode::Text() const {
    pugi::xml_node n = Require(impl_);
    if (n.type() == pugi::node_element)
        return n.text().get();
    return n.value();
}

std::string TXmlNode::Value() const {
    pugi::xml_node n = Require(impl_);
    switch (n.type()) {
    case pugi::node_declaration:
        return DeclarationText(n);
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
        return n.value();
    default:
        return {};
    }
}

int TXmlNode::ChildCount() const {
    int count = 0;
    for (pugi::xml_node c = Require(impl_).first_child(); c; c = c.next_sibling())
        ++count;
    return count;
}

TXmlNode TXmlNode::Child(int index) const {
    pugi::xml_node c = ChildAt(Require(impl_), index);
    if (!c)
        throw EXmlError("Child index out of range: " + std::to_string(index));
    return Wrap(impl_->Doc, c);
}

TXmlNode TXmlNode::ChildNodeByName(const std::string& name) {
    pugi::xml_node n = Require(impl_);
    pugi::xml_node c = n.child(name.c_str());
    if (!c)
        c = n.append_child(name.c_str());
    return Wrap(impl_->Doc, c);
}

bool TXmlNode::HasAttribute(const std::string& name) const {
    return static_cast<bool>(Require(impl_).attribute(name.c_str()));
}

std::optional<std::string> TXmlNode::Attribute(const std::string& name) const {
    pugi::xml_attribute a = Require(impl_).attribute(name.c_str());
    if (!a)
        return std::nullopt;
    return std::string(a.value());
}

std::vector<std::pair<std::string, std::string>> TXmlNode::Attributes() const {
    std::vector<std::pair<std::string, std::string>> all;
    for (pugi::xml_attribute a : Require(impl_).attributes())
        all.emplace_back(a.name(), a.value());
    return all;
}

void TXmlNode::SetAttribute(const std::string& name, std::string_view value) {
    pugi::xml_node n = Require(impl_);
    pugi::xml_attribute a = n.attribute(name.c_str());
    if (!a)
        a = n.append_attribute(name.c_str());
    a.set_value(std::string(value).c_str());
}

void TXmlNode::SetAttribute(const std::string& name, int64_t value) {
    SetAttribute(name, std::to_string(value));
}

void TXmlNode::SetAttribute(const std::string& name, bool value) {
    SetAttribute(name, std::string_view(value ? "true" : "false"));
}

TXmlNode TXmlNode::InsertElement(int position, const std::string& name) {
    pugi::xml_node n = Require(impl_);
    if (position < 0 || position > ChildCount())
        throw EXmlError("Insert position out of range: " + std::to_string(position));
    pugi::xml_node before = ChildAt(n, position);
    pugi::xml_node created =
        before ? n.insert_child_before(name.c_str(), before) : n.append_child(name.c_str());
    return Wrap(impl_->Doc, created);
}

void TXmlNode::DeleteChild(int position) {
    pugi::xml_node n = Require(impl_);
    pugi::xml_node c = ChildAt(n, position);
    if (!c)
        throw EXmlError("Child index out of range: " + std::to_string(position));
    n.remove_child(c);
}

TXmlDocument::TXmlDocument() : impl_(std::make_shared<Impl>()) {}
TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromFile(const std::string& path) {
    auto file = plat::Files().Open(path, plat::OpenMode::Read);
    if (!file)
        throw EXmlError("Cannot open XML file \"" + path + "\"");
    std::string bytes;
    char buffer[65536];
    size_t got = 0;
    while (file->Read(buffer, sizeof buffer, got) && got > 0)
        bytes.append(buffer, got);
    LoadFromBytes(bytes);
}

void TXmlDocument::LoadFromBytes(std::string_view bytes) {
    auto doc = std::make_shared<pugi::xml_document>();
    pugi::xml_parse_result result = doc->load_buffer(bytes.data(), bytes.size(), kParseOptions);
    if (!result)
        throw EXmlError(std::string(result.description()) + " at offset " + std::to_string(result.offset));
    if (!doc->document_element())
        throw EXmlError("The XML document has no document element");
    impl_->Doc = doc;
    impl_->Loaded = true;
}

TXmlNode TXmlDocument::DocumentElement() const {
    if (!impl_->Loaded)
        throw EXmlError("No XML document loaded");
    return Wrap(impl_->Doc, impl_->Doc->document_element());
}

TXmlNode TXmlDocument::DocumentNode() const {
    if (!impl_->Loaded)
        throw EXmlError("No XML document loaded");
    return Wrap(impl_->Doc, *impl_->Doc);
}

} // namespace xml
