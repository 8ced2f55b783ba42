#pragma once
// Records the events of a TSAXParser run as short texts, so a test states a whole run in one line.
#include "oxml/SAXParser.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace oxml::test {

inline std::string Join(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view part : parts)
        s.append(part);
    return s;
}

inline std::string Attrs(const TSAXAttributes& attributes) {
    std::string s;
    for (const TSAXAttribute& a : attributes)
        s += Join({s.empty() ? "(" : ",", a.NodeName, "=", a.NodeValue});
    return s.empty() ? s : s + ")";
}

struct Recorder {
    std::vector<std::string> events;

    explicit Recorder(TSAXParser& parser) {
        parser.OnStartDocument = [this](TSAXParser&) { events.push_back("SD"); };
        parser.OnEndDocument = [this](TSAXParser&) { events.push_back("ED"); };
        parser.OnXMLDeclaration = [this](TSAXParser&, const TSAXAttributes& a) {
            events.push_back(Join({"X", Attrs(a)}));
        };
        parser.OnStartElement = [this](TSAXParser&, std::string_view name, const TSAXAttributes& a) {
            events.push_back(Join({"S:", name, Attrs(a)}));
        };
        parser.OnEndElement = [this](TSAXParser&, std::string_view name) {
            events.push_back(Join({"E:", name}));
        };
        parser.OnCharacters = [this](TSAXParser&, std::string_view text) {
            events.push_back(Join({"C:", text}));
        };
        parser.OnComment = [this](TSAXParser&, std::string_view text) {
            events.push_back(Join({"M:", text}));
        };
        parser.OnProcessingInstruction = [this](TSAXParser&, std::string_view target,
                                                std::string_view content) {
            events.push_back(Join({"P:", target, "|", content}));
        };
    }
};

// Hands the input out a few bytes at a time, so every token meets a block boundary somewhere.
class Drip : public IByteStream {
public:
    Drip(std::string bytes, size_t step) : bytes_(std::move(bytes)), step_(step) {}
    size_t Read(void* buffer, size_t size) override {
        size_t n = std::min({size, step_, bytes_.size() - pos_});
        bytes_.copy(static_cast<char*>(buffer), n, pos_);
        pos_ += n;
        return n;
    }
    bool Rewind() override {
        pos_ = 0;
        return true;
    }

private:
    std::string bytes_;
    size_t step_;
    size_t pos_ = 0;
};

} // namespace oxml::test
