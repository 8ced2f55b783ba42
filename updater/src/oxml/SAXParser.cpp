#include "oxml/SAXParser.h"

#include "oxml/TokenReader.h"

#include <algorithm>
#include <cstring>

namespace oxml {

namespace {

class MemoryStream : public IByteStream {
public:
    explicit MemoryStream(std::string_view bytes) : bytes_(bytes) {}

    size_t Read(void* buffer, size_t size) override {
        size_t n = std::min(size, bytes_.size() - pos_);
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    bool Rewind() override {
        pos_ = 0;
        return true;
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

bool IsWhitespace(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

} // namespace

TSAXParser::TSAXParser() : reader_(std::make_unique<detail::TokenReader>(ReaderSettings)) {}

TSAXParser::~TSAXParser() = default;

bool TSAXParser::ParseStream(IByteStream& stream, const std::string& fileName, uint32_t forceCodePage) {
    return Run(stream, fileName, forceCodePage);
}

bool TSAXParser::ParseBuffer(std::string_view bytes, uint32_t forceCodePage) {
    MemoryStream stream(bytes);
    return Run(stream, std::string(), forceCodePage);
}

bool TSAXParser::Run(IByteStream& stream, const std::string& fileName, uint32_t forceCodePage) {
    error_ = TParseError();
    stopped_ = false;
    started_ = false;
    reader_->Start(stream, forceCodePage, fileName);
    detail::Token token;
    while (!stopped_ && reader_->Next(token)) {
        Dispatch(token);
        bool documentClosed = reader_->Depth() == 0 && (token.Kind == detail::TokenKind::EndTag ||
                                                        token.Kind == detail::TokenKind::EmptyTag);
        if (documentClosed && ReaderSettings.BreakReading == brAfterDocumentElement)
            break;
    }
    if (reader_->Error().HasError())
        error_ = reader_->Error();
    if (error_.HasError() && ReaderSettings.ErrorHandling == ehRaise)
        throw ESAXParseError(error_);
    if (started_ && !stopped_ && OnEndDocument)
        OnEndDocument(*this);
    return !error_.HasError();
}

void TSAXParser::Dispatch(const detail::Token& token) {
    using detail::TokenKind;
    bool textual =
        token.Kind == TokenKind::Text || token.Kind == TokenKind::CData || token.Kind == TokenKind::EntityRef;
    if (!started_) {
        if (textual && IsWhitespace(token.Text))
            return;
        started_ = true;
        if (OnStartDocument)
            OnStartDocument(*this);
    }
    switch (token.Kind) {
    case TokenKind::Text:
    case TokenKind::CData:
    case TokenKind::EntityRef:
        if (OnCharacters)
            OnCharacters(*this, token.Text);
        break;
    case TokenKind::XmlDeclaration:
        if (OnXMLDeclaration)
            OnXMLDeclaration(*this, reader_->Attributes());
        break;
    case TokenKind::StartTag:
        if (OnStartElement)
            OnStartElement(*this, token.Name, reader_->Attributes());
        break;
    case TokenKind::EmptyTag:
        if (OnStartElement)
            OnStartElement(*this, token.Name, reader_->Attributes());
        if (OnEndElement)
            OnEndElement(*this, token.Name);
        break;
    case TokenKind::EndTag:
        if (OnEndElement)
            OnEndElement(*this, token.Name);
        break;
    case TokenKind::Comment:
        if (OnComment)
            OnComment(*this, token.Text);
        break;
    case TokenKind::ProcessingInstruction:
        if (OnProcessingInstruction)
            OnProcessingInstruction(*this, token.Name, token.Text);
        break;
    case TokenKind::DocType:
        break;
    }
}

} // namespace oxml
