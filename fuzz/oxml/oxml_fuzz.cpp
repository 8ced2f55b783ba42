// libFuzzer target of the XML event reader. Besides looking for crashes it checks two properties:
// the same document read with its tokens cut by a block boundary gives the same events, and every
// text a handler receives is well-formed UTF-8.
#include "oxml/SAXParser.h"
#include "text/TextCodec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Run {
    std::vector<std::string> events;
    bool ok = false;
    std::string reason;
};

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

void Record(Run& run, const std::string& event) {
    Check(text::IsValidUtf8(event), "handlers receive UTF-8");
    run.events.push_back(event);
}

Run Parse(std::string_view bytes, uint8_t flags) {
    oxml::TSAXParser parser;
    Run run;
    parser.ReaderSettings.BreakReading = flags & 1 ? oxml::brNone : oxml::brAfterDocumentElement;
    parser.ReaderSettings.LineBreak = static_cast<oxml::TLineBreak>((flags >> 1) & 3);
    parser.ReaderSettings.StrictXML = !(flags & 8);
    parser.ReaderSettings.ExpandEntities = !(flags & 16);
    parser.OnStartDocument = [&](oxml::TSAXParser&) { Record(run, "SD"); };
    parser.OnEndDocument = [&](oxml::TSAXParser&) { Record(run, "ED"); };
    parser.OnStartElement = [&](oxml::TSAXParser&, std::string_view n, const oxml::TSAXAttributes& a) {
        std::string e = "S:" + std::string(n);
        for (const auto& item : a) {
            e += " " + std::string(item.NodeName) + "=" + std::string(item.NodeValue);
            Check(a.Has(item.NodeName), "every attribute is found by name");
        }
        Record(run, e);
    };
    parser.OnEndElement = [&](oxml::TSAXParser&, std::string_view n) { Record(run, "E:" + std::string(n)); };
    parser.OnCharacters = [&](oxml::TSAXParser&, std::string_view t) { Record(run, "C:" + std::string(t)); };
    parser.OnComment = [&](oxml::TSAXParser&, std::string_view t) { Record(run, "M:" + std::string(t)); };
    parser.OnProcessingInstruction = [&](oxml::TSAXParser&, std::string_view t, std::string_view c) {
        Record(run, "P:" + std::string(t) + "|" + std::string(c));
    };
    run.ok = parser.ParseBuffer(bytes);
    run.reason = parser.ParseError().Reason;
    Check(run.ok != parser.ParseError().HasError(), "result and error agree");
    return run;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const size_t shift = data[1];
    std::string_view doc(reinterpret_cast<const char*>(data + 2), size - 2);
    Run plain = Parse(doc, flags);
    // Leading whitespace gives no event, unless it stands before a declaration, a byte-order mark
    // or text that the whitespace would join; only plain markup starts are compared.
    if (doc.empty() || doc[0] != '<' || doc.rfind("<?xml", 0) == 0 || doc.size() > 16000)
        return 0;
    std::string padded(16384 - shift - 1, ' ');
    padded += doc;
    Run cut = Parse(padded, flags);
    Check(plain.ok == cut.ok, "same result across a block boundary");
    Check(plain.reason == cut.reason, "same error across a block boundary");
    Check(plain.events == cut.events, "same events across a block boundary");
    return 0;
}
