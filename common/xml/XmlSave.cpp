// Saving is written once over the node interface, so both DOMs give the same bytes: MSXML's own save
// of a document loaded without white space would be one long line.
#include "xml/XmlDom.h"

#include "platform/FileReplace.h"
#include "platform/Platform.h"
#include "text/SameText.h"
#include "text/TextCodec.h"

#include <charconv>
#include <cstdint>

namespace xml {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kIndent = "  ";
constexpr uint32_t kUtf8 = 65001;
constexpr uint32_t kUtf16Le = 1200;

// The value of one pseudo-attribute of a declaration ('encoding="UTF-8"'); empty when absent.
std::string PseudoAttribute(std::string_view declaration, std::string_view name) {
    size_t at = 0;
    while ((at = declaration.find(name, at)) != std::string_view::npos) {
        size_t p = at + name.size();
        at = p;
        while (p < declaration.size() && declaration[p] == ' ')
            ++p;
        if (p >= declaration.size() || declaration[p] != '=')
            continue;
        ++p;
        while (p < declaration.size() && declaration[p] == ' ')
            ++p;
        if (p >= declaration.size() || (declaration[p] != '"' && declaration[p] != '\''))
            continue;
        const size_t end = declaration.find(declaration[p], p + 1);
        if (end == std::string_view::npos)
            return {};
        return std::string(declaration.substr(p + 1, end - p - 1));
    }
    return {};
}

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && text::SameText(s.substr(0, prefix.size()), prefix);
}

std::optional<uint32_t> NumberAfter(std::string_view s, size_t at) {
    uint32_t n = 0;
    const auto [end, error] = std::from_chars(s.data() + at, s.data() + s.size(), n);
    if (at >= s.size() || error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return n;
}

// The code page of an encoding name as XML declarations write it.
std::optional<uint32_t> CodePageOf(std::string_view name) {
    if (name.empty() || text::SameText(name, "UTF-8") || text::SameText(name, "UTF8"))
        return kUtf8;
    if (text::SameText(name, "UTF-16"))
        return kUtf16Le;
    if (text::SameText(name, "US-ASCII") || text::SameText(name, "ASCII"))
        return 20127;
    if (text::SameText(name, "latin1"))
        return 28591;
    if (StartsWithText(name, "ISO-8859-"))
        if (const auto n = NumberAfter(name, 9); n && *n >= 1 && *n <= 16)
            return 28590 + *n;
    if (StartsWithText(name, "windows-"))
        return NumberAfter(name, 8);
    if (StartsWithText(name, "cp"))
        return NumberAfter(name, 2);
    return std::nullopt;
}

class TSerializer {
public:
    // Outside Unicode, characters beyond ASCII in text and attributes go out as character references,
    // which every encoding can carry.
    explicit TSerializer(bool AAsciiOnly) : FAsciiOnly(AAsciiOnly) {}

    // Text reaches this level only beside child elements: white space was dropped at loading.
    void Node(const TXmlNode& ANode, int ADepth) {
        if (ANode.Kind() == TXmlNodeKind::Element) {
            Element(ANode, ADepth);
            return;
        }
        Indent(ADepth);
        Inline(ANode);
        FOut += kEol;
    }

    std::string& Output() { return FOut; }

private:
    void Indent(int ADepth) {
        for (int i = 0; i < ADepth; ++i)
            FOut += kIndent;
    }

    static bool HoldsText(const TXmlNode& AElement) {
        const int count = AElement.ChildCount();
        for (int i = 0; i < count; ++i) {
            const TXmlNodeKind kind = AElement.Child(i).Kind();
            if (kind == TXmlNodeKind::Text || kind == TXmlNodeKind::CData)
                return true;
        }
        return false;
    }

    void Element(const TXmlNode& AElement, int ADepth) {
        Indent(ADepth);
        const int count = AElement.ChildCount();
        if (count == 0 || HoldsText(AElement)) {
            Inline(AElement);
            FOut += kEol;
            return;
        }
        StartTag(AElement);
        FOut += '>';
        FOut += kEol;
        for (int i = 0; i < count; ++i)
            Node(AElement.Child(i), ADepth + 1);
        Indent(ADepth);
        FOut += "</" + AElement.NodeName() + ">";
        FOut += kEol;
    }

    void StartTag(const TXmlNode& AElement) {
        FOut += '<' + AElement.NodeName();
        for (const auto& [name, value] : AElement.Attributes()) {
            FOut += ' ' + name + "=\"";
            Escape(value, true);
            FOut += '"';
        }
    }

    // A node with everything inside it on the current line, as it stands.
    void Inline(const TXmlNode& ANode) {
        switch (ANode.Kind()) {
        case TXmlNodeKind::Element: {
            StartTag(ANode);
            const int count = ANode.ChildCount();
            if (count == 0) {
                FOut += "/>";
                return;
            }
            FOut += '>';
            for (int i = 0; i < count; ++i)
                Inline(ANode.Child(i));
            FOut += "</" + ANode.NodeName() + ">";
            return;
        }
        case TXmlNodeKind::Text:
            Escape(ANode.Value(), false);
            return;
        case TXmlNodeKind::CData:
            Wrapped("<![CDATA[", ANode.Value(), "]]>");
            return;
        case TXmlNodeKind::Comment:
            Wrapped("<!--", ANode.Value(), "-->");
            return;
        case TXmlNodeKind::ProcessingInstruction: {
            const std::string value = ANode.Value();
            FOut += "<?";
            FOut += ANode.NodeName();
            Wrapped(value.empty() ? "" : " ", value, "?>");
            return;
        }
        default:
            throw EXmlError("The XML document holds a node that cannot be saved: " + ANode.NodeName());
        }
    }

    // Parsers hand line ends over as LF alone; they go out as the file's line end.
    void Wrapped(std::string_view AOpen, std::string_view AText, std::string_view AClose) {
        FOut += AOpen;
        for (char c : AText) {
            if (c == '\n')
                FOut += kEol;
            else
                FOut += c;
        }
        FOut += AClose;
    }

    void Escape(std::string_view AText, bool AInAttribute) {
        for (char32_t c : CodePoints(AText)) {
            switch (c) {
            case '&':
                FOut += "&amp;";
                break;
            case '<':
                FOut += "&lt;";
                break;
            case '>':
                FOut += "&gt;";
                break;
            case '"':
                FOut += AInAttribute ? "&quot;" : "\"";
                break;
            case '\t':
                FOut += AInAttribute ? "&#9;" : "\t";
                break;
            case '\n':
                if (AInAttribute)
                    FOut += "&#10;";
                else
                    FOut += kEol;
                break;
            case '\r':
                FOut += "&#13;";
                break;
            default:
                if (c >= 0x80 && FAsciiOnly)
                    FOut += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
                else
                    text::AppendUtf8(FOut, c);
            }
        }
    }

    static std::u32string CodePoints(std::string_view AUtf8) {
        const std::u16string units = text::Utf8ToUtf16(AUtf8);
        std::u32string points;
        for (size_t i = 0; i < units.size(); ++i) {
            char32_t c = units[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size()) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            }
            points.push_back(c);
        }
        return points;
    }

    bool FAsciiOnly;
    std::string FOut;
};

} // namespace

std::string TXmlDocument::SaveToBytes() const {
    const TXmlNode document = DocumentNode();
    std::string encoding;
    const int count = document.ChildCount();
    for (int i = 0; i < count; ++i) {
        const TXmlNode node = document.Child(i);
        if (node.Kind() == TXmlNodeKind::ProcessingInstruction && node.NodeName() == "xml")
            encoding = PseudoAttribute(node.Value(), "encoding");
    }
    const std::optional<uint32_t> codePage = CodePageOf(encoding);
    if (!codePage)
        throw EXmlError("The XML document's encoding \"" + encoding + "\" cannot be written");
    const bool unicode = *codePage == kUtf8 || *codePage == kUtf16Le;
    TSerializer serializer(!unicode);
    for (int i = 0; i < count; ++i)
        serializer.Node(document.Child(i), 0);
    if (*codePage == kUtf8)
        return std::move(serializer.Output());
    std::string bytes = *codePage == kUtf16Le ? "\xFF\xFE" : "";
    std::string encoded;
    if (!text::EncodeCodePage(*codePage, serializer.Output(), encoded))
        throw EXmlError("The XML document's encoding \"" + encoding + "\" cannot be written");
    return bytes + encoded;
}

void TXmlDocument::SaveToFile(const std::string& path) const {
    const std::string bytes = SaveToBytes();
    if (!plat::ReplaceFileContent(path, bytes))
        throw EXmlError("Cannot write XML file \"" + path +
                        "\": " + plat::Host().SysErrorMessage(plat::LastError()));
}

} // namespace xml
