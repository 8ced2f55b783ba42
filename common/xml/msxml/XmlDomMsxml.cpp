#include "xml/XmlDom.h"

#include "text/TextCodec.h"

#include "platform/win32/UniqueAny.h"

#include <msxml2.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace xml {

using plat::win::com_ptr;
using plat::win::unique_bstr;
using plat::win::unique_variant;

namespace {

// mingw's msxml2.h declares these without defining them.
const CLSID kClsidDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const IID kIidXmlDomDocument = {0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID kIidXmlDomElement = {0x2933bf86, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

unique_bstr ToBstr(std::string_view utf8) {
    std::wstring w = text::ToWide(utf8);
    return unique_bstr(SysAllocStringLen(w.data(), static_cast<UINT>(w.size())));
}

std::string Utf8(BSTR b) {
    return b ? text::FromWide(std::wstring_view(b, SysStringLen(b))) : std::string();
}

// The variant owns the string from here on.
unique_variant StringVariant(std::string_view utf8) {
    unique_variant v;
    v.get().vt = VT_BSTR;
    v.get().bstrVal = ToBstr(utf8).release();
    return v;
}

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        char code[16];
        snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
        throw EXmlError(std::string(what) + " failed (HRESULT 0x" + code + ")");
    }
}

} // namespace

struct TXmlNode::Impl {
    com_ptr<IXMLDOMNode> Node;
};

struct TXmlDocument::Impl {
    com_ptr<IXMLDOMDocument> Doc;
    bool Loaded = false;
};

namespace {

TXmlNode Wrap(com_ptr<IXMLDOMNode> node) {
    if (!node)
        return TXmlNode();
    auto impl = std::make_shared<TXmlNode::Impl>();
    impl->Node = std::move(node);
    return TXmlNode(impl);
}

IXMLDOMNode* Require(const std::shared_ptr<TXmlNode::Impl>& impl) {
    if (!impl)
        throw EXmlError("Operation on an empty XML node");
    return impl->Node.get();
}

com_ptr<IXMLDOMNode> ChildAt(IXMLDOMNode* parent, long index) {
    com_ptr<IXMLDOMNodeList> list;
    Check(parent->get_childNodes(list.put()), "childNodes");
    com_ptr<IXMLDOMNode> child;
    if (index < 0 || list->get_item(index, child.put()) != S_OK)
        return com_ptr<IXMLDOMNode>();
    return child;
}

com_ptr<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
    com_ptr<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(kIidXmlDomElement, element.put_void())))
        throw EXmlError("The XML node is not an element");
    return element;
}

// Elements are nodes: the upcast shares the reference.
com_ptr<IXMLDOMNode> AsNode(const com_ptr<IXMLDOMElement>& element) {
    return com_ptr<IXMLDOMNode>::share(element.get());
}

com_ptr<IXMLDOMNode> CreateElement(IXMLDOMNode* parent, const std::string& name) {
    com_ptr<IXMLDOMDocument> doc;
    Check(parent->get_ownerDocument(doc.put()), "ownerDocument");
    com_ptr<IXMLDOMElement> element;
    Check(doc->createElement(ToBstr(name).get(), element.put()), "createElement");
    return AsNode(element);
}

std::string NodeValue(IXMLDOMNode* node) {
    unique_variant value;
    Check(node->get_nodeValue(value.put()), "nodeValue");
    return value.get().vt == VT_BSTR ? Utf8(value.get().bstrVal) : std::string();
}

void RaiseParseError(IXMLDOMDocument* doc) {
    com_ptr<IXMLDOMParseError> err;
    std::string reason = "The XML document cannot be loaded";
    if (SUCCEEDED(doc->get_parseError(err.put())) && err) {
        unique_bstr text;
        long line = 0, pos = 0;
        err->get_reason(text.put());
        err->get_line(&line);
        err->get_linepos(&pos);
        reason =
            Utf8(text.get()) + " (line " + std::to_string(line) + ", position " + std::to_string(pos) + ")";
    }
    throw EXmlError(reason);
}

com_ptr<IXMLDOMDocument> NewDocument() {
    com_ptr<IXMLDOMDocument> doc;
    HRESULT hr = CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument,
                                  doc.put_void());
    // COM belongs to the thread's owner (a plat::ComScope at its entry); initialising it here would leave
    // the thread's apartment to whoever happens to load a document first.
    if (hr == CO_E_NOTINITIALIZED)
        throw EXmlError("Creating the MSXML 6 document failed: COM is not initialised on this thread");
    Check(hr, "Creating the MSXML 6 document");
    doc->put_async(VARIANT_FALSE);
    doc->put_preserveWhiteSpace(VARIANT_FALSE);
    return doc;
}

} // namespace

TXmlNode::TXmlNode() = default;
TXmlNode::TXmlNode(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

bool TXmlNode::IsElement() const {
    DOMNodeType type = NODE_INVALID;
    return impl_ && SUCCEEDED(impl_->Node->get_nodeType(&type)) && type == NODE_ELEMENT;
}

TXmlNodeKind TXmlNode::Kind() const {
    DOMNodeType type = NODE_INVALID;
    Check(Require(impl_)->get_nodeType(&type), "nodeType");
    switch (type) {
    case NODE_DOCUMENT:
        return TXmlNodeKind::Document;
    case NODE_ELEMENT:
        return TXmlNodeKind::Element;
    case NODE_TEXT:
        return TXmlNodeKind::Text;
    case NODE_CDATA_SECTION:
        return TXmlNodeKind::CData;
    case NODE_COMMENT:
        return TXmlNodeKind::Comment;
    case NODE_PROCESSING_INSTRUCTION:
        return TXmlNodeKind::ProcessingInstruction;
    default:
        return TXmlNodeKind::Other;
    }
}

std::string TXmlNode::NodeName() const {
    unique_bstr name;
    Check(Require(impl_)->get_nodeName(name.put()), "nodeName");
    return Utf8(name.get());
}

std::string TXmlNode::Text() const {
    unique_bstr value;
    Check(Require(impl_)->get_text(value.put()), "text");
    return Utf8(value.get());
}

std::string TXmlNode::Value() const {
    switch (Kind()) {
    case TXmlNodeKind::Text:
    case TXmlNodeKind::CData:
    case TXmlNodeKind::Comment:
    case TXmlNodeKind::ProcessingInstruction:
        return NodeValue(impl_->Node.get());
    default:
        return {};
    }
}

int TXmlNode::ChildCount() const {
    com_ptr<IXMLDOMNodeList> list;
    Check(Require(impl_)->get_childNodes(list.put()), "childNodes");
    long length = 0;
    Check(list->get_length(&length), "length");
    return static_cast<int>(length);
}

TXmlNode TXmlNode::Child(int index) const {
    com_ptr<IXMLDOMNode> child = ChildAt(Require(impl_), index);
    if (!child)
        throw EXmlError("Child index out of range: " + std::to_string(index));
    return Wrap(child);
}

TXmlNode TXmlNode::ChildNodeByName(const std::string& name) {
    IXMLDOMNode* parent = Require(impl_);
    const int count = ChildCount();
    for (int i = 0; i < count; ++i) {
        TXmlNode child = Child(i);
        if (child.IsElement() && child.NodeName() == name)
            return child;
    }
    com_ptr<IXMLDOMNode> created = CreateElement(parent, name);
    com_ptr<IXMLDOMNode> added;
    Check(parent->appendChild(created.get(), added.put()), "appendChild");
    return Wrap(added);
}

bool TXmlNode::HasAttribute(const std::string& name) const {
    return Attribute(name).has_value();
}

std::optional<std::string> TXmlNode::Attribute(const std::string& name) const {
    com_ptr<IXMLDOMElement> element = AsElement(Require(impl_));
    unique_variant value;
    Check(element->getAttribute(ToBstr(name).get(), value.put()), "getAttribute");
    if (value.get().vt != VT_BSTR)
        return std::nullopt;
    return Utf8(value.get().bstrVal);
}

std::vector<std::pair<std::string, std::string>> TXmlNode::Attributes() const {
    std::vector<std::pair<std::string, std::string>> all;
    com_ptr<IXMLDOMNamedNodeMap> map;
    if (Require(impl_)->get_attributes(map.put()) != S_OK || !map)
        return all;
    long length = 0;
    Check(map->get_length(&length), "attributes.length");
    for (long i = 0; i < length; ++i) {
        com_ptr<IXMLDOMNode> attribute;
        Check(map->get_item(i, attribute.put()), "attributes.item");
        unique_bstr name;
        Check(attribute->get_nodeName(name.put()), "nodeName");
        all.emplace_back(Utf8(name.get()), NodeValue(attribute.get()));
    }
    return all;
}

void TXmlNode::SetAttribute(const std::string& name, std::string_view value) {
    com_ptr<IXMLDOMElement> element = AsElement(Require(impl_));
    Check(element->setAttribute(ToBstr(name).get(), StringVariant(value).get()), "setAttribute");
}

void TXmlNode::SetAttribute(const std::string& name, int64_t value) {
    SetAttribute(name, std::to_string(value));
}

void TXmlNode::SetAttribute(const std::string& name, bool value) {
    SetAttribute(name, std::string_view(value ? "true" : "false"));
}

TXmlNode TXmlNode::InsertElement(int position, const std::string& name) {
    IXMLDOMNode* parent = Require(impl_);
    if (position < 0 || position > ChildCount())
        throw EXmlError("Insert position out of range: " + std::to_string(position));
    com_ptr<IXMLDOMNode> created = CreateElement(parent, name);
    com_ptr<IXMLDOMNode> before = ChildAt(parent, position);
    unique_variant ref;
    if (before) {
        ref.get().vt = VT_UNKNOWN;
        ref.get().punkVal = before.release();
    } else {
        ref.get().vt = VT_NULL;
    }
    com_ptr<IXMLDOMNode> added;
    Check(parent->insertBefore(created.get(), ref.get(), added.put()), "insertBefore");
    return Wrap(added);
}

void TXmlNode::DeleteChild(int position) {
    IXMLDOMNode* parent = Require(impl_);
    com_ptr<IXMLDOMNode> child = ChildAt(parent, position);
    if (!child)
        throw EXmlError("Child index out of range: " + std::to_string(position));
    com_ptr<IXMLDOMNode> removed;
    Check(parent->removeChild(child.get(), removed.put()), "removeChild");
}

TXmlDocument::TXmlDocument() : impl_(std::make_shared<Impl>()) {}
TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromFile(const std::string& path) {
    com_ptr<IXMLDOMDocument> doc = NewDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(doc->load(StringVariant(path).get(), &ok)) || ok != VARIANT_TRUE)
        RaiseParseError(doc.get());
    impl_->Doc = doc;
    impl_->Loaded = true;
}

void TXmlDocument::LoadFromBytes(std::string_view bytes) {
    com_ptr<IXMLDOMDocument> doc = NewDocument();
    // A byte array lets the parser detect the encoding itself, as it does for a file.
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array)
        throw EXmlError("Out of memory loading an XML document");
    unique_variant source;
    source.get().vt = VT_ARRAY | VT_UI1;
    source.get().parray = array;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)))
        throw EXmlError("Out of memory loading an XML document");
    memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(doc->load(source.get(), &ok)) || ok != VARIANT_TRUE)
        RaiseParseError(doc.get());
    impl_->Doc = doc;
    impl_->Loaded = true;
}

TXmlNode TXmlDocument::DocumentElement() const {
    if (!impl_->Loaded)
        throw EXmlError("No XML document loaded");
    com_ptr<IXMLDOMElement> root;
    if (impl_->Doc->get_documentElement(root.put()) != S_OK || !root)
        throw EXmlError("The XML document has no document element");
    return Wrap(AsNode(root));
}

TXmlNode TXmlDocument::DocumentNode() const {
    if (!impl_->Loaded)
        throw EXmlError("No XML document loaded");
    return Wrap(com_ptr<IXMLDOMNode>::share(impl_->Doc.get()));
}

} // namespace xml
