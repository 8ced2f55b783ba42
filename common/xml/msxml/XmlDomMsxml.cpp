#include "xml/XmlDom.h"

#include "text/TextCodec.h"

#include <windows.h>

#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace xml {

namespace {

// mingw's msxml2.h declares these without defining them.
const CLSID kClsidDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const IID kIidXmlDomDocument = {0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID kIidXmlDomElement = {0x2933bf86, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

template <class T> class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* p) : p_(p) {}
    ComRef(const ComRef& o) : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    ComRef& operator=(ComRef o) {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComRef() {
        if (p_)
            p_->Release();
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Out() {
        *this = ComRef();
        return &p_;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(std::string_view utf8) {
        std::wstring w = text::ToWide(utf8);
        b_ = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    }
    Bstr() = default;
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return b_; }
    BSTR* Out() {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::string Utf8() const {
        return b_ ? text::FromWide(std::wstring_view(b_, SysStringLen(b_))) : std::string();
    }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT& Get() { return v_; }

private:
    VARIANT v_;
};

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        char code[16];
        snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
        throw EXmlError(std::string(what) + " failed (HRESULT 0x" + code + ")");
    }
}

} // namespace

struct TXmlNode::Impl {
    ComRef<IXMLDOMNode> Node;
};

struct TXmlDocument::Impl {
    ComRef<IXMLDOMDocument> Doc;
    bool Loaded = false;
};

namespace {

TXmlNode Wrap(ComRef<IXMLDOMNode> node) {
    if (!node)
        return TXmlNode();
    auto impl = std::make_shared<TXmlNode::Impl>();
    impl->Node = std::move(node);
    return TXmlNode(impl);
}

IXMLDOMNode* Require(const std::shared_ptr<TXmlNode::Impl>& impl) {
    if (!impl)
        throw EXmlError("Operation on an empty XML node");
    return impl->Node.Get();
}

ComRef<IXMLDOMNode> ChildAt(IXMLDOMNode* parent, long index) {
    ComRef<IXMLDOMNodeList> list;
    Check(parent->get_childNodes(list.Out()), "childNodes");
    ComRef<IXMLDOMNode> child;
    if (index < 0 || list->get_item(index, child.Out()) != S_OK)
        return ComRef<IXMLDOMNode>();
    return child;
}

ComRef<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
    ComRef<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(kIidXmlDomElement, reinterpret_cast<void**>(element.Out()))))
        throw EXmlError("The XML node is not an element");
    return element;
}

// Elements are nodes: the upcast shares the reference.
ComRef<IXMLDOMNode> AsNode(const ComRef<IXMLDOMElement>& element) {
    if (!element)
        return ComRef<IXMLDOMNode>();
    element->AddRef();
    return ComRef<IXMLDOMNode>(element.Get());
}

ComRef<IXMLDOMNode> CreateElement(IXMLDOMNode* parent, const std::string& name) {
    ComRef<IXMLDOMDocument> doc;
    Check(parent->get_ownerDocument(doc.Out()), "ownerDocument");
    ComRef<IXMLDOMElement> element;
    Bstr bname(name);
    Check(doc->createElement(bname.Get(), element.Out()), "createElement");
    return AsNode(element);
}

void RaiseParseError(IXMLDOMDocument* doc) {
    ComRef<IXMLDOMParseError> err;
    std::string reason = "The XML document cannot be loaded";
    if (SUCCEEDED(doc->get_parseError(err.Out())) && err) {
        Bstr text;
        long line = 0, pos = 0;
        err->get_reason(text.Out());
        err->get_line(&line);
        err->get_linepos(&pos);
        reason = text.Utf8() + " (line " + std::to_string(line) + ", position " + std::to_string(pos) + ")";
    }
    throw EXmlError(reason);
}

ComRef<IXMLDOMDocument> NewDocument() {
    // A thread that already has COM in either model keeps it.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComRef<IXMLDOMDocument> doc;
    Check(CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument,
                           reinterpret_cast<void**>(doc.Out())),
          "Creating the MSXML 6 document");
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

std::string TXmlNode::NodeName() const {
    Bstr name;
    Check(Require(impl_)->get_nodeName(name.Out()), "nodeName");
    return name.Utf8();
}

std::string TXmlNode::Text() const {
    Bstr value;
    Check(Require(impl_)->get_text(value.Out()), "text");
    return value.Utf8();
}

int TXmlNode::ChildCount() const {
    ComRef<IXMLDOMNodeList> list;
    Check(Require(impl_)->get_childNodes(list.Out()), "childNodes");
    long length = 0;
    Check(list->get_length(&length), "length");
    return static_cast<int>(length);
}

TXmlNode TXmlNode::Child(int index) const {
    ComRef<IXMLDOMNode> child = ChildAt(Require(impl_), index);
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
    ComRef<IXMLDOMNode> created = CreateElement(parent, name);
    ComRef<IXMLDOMNode> added;
    Check(parent->appendChild(created.Get(), added.Out()), "appendChild");
    return Wrap(added);
}

bool TXmlNode::HasAttribute(const std::string& name) const {
    return Attribute(name).has_value();
}

std::optional<std::string> TXmlNode::Attribute(const std::string& name) const {
    ComRef<IXMLDOMElement> element = AsElement(Require(impl_));
    Bstr bname(name);
    Variant value;
    Check(element->getAttribute(bname.Get(), &value.Get()), "getAttribute");
    if (value.Get().vt != VT_BSTR)
        return std::nullopt;
    BSTR b = value.Get().bstrVal;
    return text::FromWide(std::wstring_view(b, SysStringLen(b)));
}

void TXmlNode::SetAttribute(const std::string& name, std::string_view value) {
    ComRef<IXMLDOMElement> element = AsElement(Require(impl_));
    Bstr bname(name);
    Variant v;
    std::wstring w = text::ToWide(value);
    v.Get().vt = VT_BSTR;
    v.Get().bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    Check(element->setAttribute(bname.Get(), v.Get()), "setAttribute");
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
    ComRef<IXMLDOMNode> created = CreateElement(parent, name);
    ComRef<IXMLDOMNode> before = ChildAt(parent, position);
    Variant ref;
    if (before) {
        ref.Get().vt = VT_UNKNOWN;
        ref.Get().punkVal = before.Get();
        before.Get()->AddRef();
    } else {
        ref.Get().vt = VT_NULL;
    }
    ComRef<IXMLDOMNode> added;
    Check(parent->insertBefore(created.Get(), ref.Get(), added.Out()), "insertBefore");
    return Wrap(added);
}

void TXmlNode::DeleteChild(int position) {
    IXMLDOMNode* parent = Require(impl_);
    ComRef<IXMLDOMNode> child = ChildAt(parent, position);
    if (!child)
        throw EXmlError("Child index out of range: " + std::to_string(position));
    ComRef<IXMLDOMNode> removed;
    Check(parent->removeChild(child.Get(), removed.Out()), "removeChild");
}

TXmlDocument::TXmlDocument() : impl_(std::make_shared<Impl>()) {}
TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromFile(const std::string& path) {
    ComRef<IXMLDOMDocument> doc = NewDocument();
    Variant source;
    std::wstring w = text::ToWide(path);
    source.Get().vt = VT_BSTR;
    source.Get().bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(doc->load(source.Get(), &ok)) || ok != VARIANT_TRUE)
        RaiseParseError(doc.Get());
    impl_->Doc = doc;
    impl_->Loaded = true;
}

void TXmlDocument::LoadFromBytes(std::string_view bytes) {
    ComRef<IXMLDOMDocument> doc = NewDocument();
    // A byte array lets the parser detect the encoding itself, as it does for a file.
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array)
        throw EXmlError("Out of memory loading an XML document");
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    Variant source;
    source.Get().vt = VT_ARRAY | VT_UI1;
    source.Get().parray = array;
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(doc->load(source.Get(), &ok)) || ok != VARIANT_TRUE)
        RaiseParseError(doc.Get());
    impl_->Doc = doc;
    impl_->Loaded = true;
}

TXmlNode TXmlDocument::DocumentElement() const {
    if (!impl_->Loaded)
        throw EXmlError("No XML document loaded");
    ComRef<IXMLDOMElement> root;
    if (impl_->Doc->get_documentElement(root.Out()) != S_OK || !root)
        throw EXmlError("The XML document has no document element");
    return Wrap(AsNode(root));
}

void TXmlDocument::SaveToFile(const std::string& path) const {
    if (!impl_->Loaded)
        throw EXmlError("No XML document loaded");
    Variant target;
    std::wstring w = text::ToWide(path);
    target.Get().vt = VT_BSTR;
    target.Get().bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    if (FAILED(impl_->Doc->save(target.Get())))
        throw EXmlError("Cannot write XML file \"" + path + "\"");
}

} // namespace xml
