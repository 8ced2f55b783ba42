// Throughput and peak memory of the XML event reader on a dump-style document generated on the fly
// (no disk in the way): sax_bench [megabytes, default 1024]
#include "oxml/SAXParser.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

// Produces table_data/row/field elements as a database dump writes them, until the size is reached.
class DumpGenerator : public oxml::IByteStream {
public:
    explicit DumpGenerator(uint64_t size) : size_(size) {
        pending_ =
            "<?xml version=\"1.0\"?>\n<mysqldump xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
            "<database name=\"db\">\n\t<table_data name=\"orders\">\n";
    }
    size_t Read(void* buffer, size_t size) override {
        while (pending_.size() - pos_ < size && produced_ < size_)
            AddRow();
        if (produced_ >= size_ && !closed_) {
            pending_ += "\t</table_data>\n</database>\n</mysqldump>\n";
            closed_ = true;
        }
        size_t n = std::min(size, pending_.size() - pos_);
        std::memcpy(buffer, pending_.data() + pos_, n);
        pos_ += n;
        if (pos_ > (1u << 20)) {
            pending_.erase(0, pos_);
            pos_ = 0;
        }
        return n;
    }
    bool Rewind() override { return false; }

private:
    void AddRow() {
        std::string row =
            "\t<row>\n\t\t<field name=\"id\">" + std::to_string(++rows_) +
            "</field>\n\t\t<field name=\"customer\">Customer &amp; Sons " + std::to_string(rows_ % 977) +
            "</field>\n\t\t<field name=\"note\" xsi:nil=\"true\" />\n"
            "\t\t<field name=\"created\">2024-03-01 12:00:00</field>\n"
            "\t\t<field name=\"blob\" xsi:type=\"xs:hexBinary\">0A1B2C3D4E5F</field>\n\t</row>\n";
        produced_ += row.size();
        pending_ += row;
    }

    uint64_t size_;
    uint64_t produced_ = 0;
    uint64_t rows_ = 0;
    std::string pending_;
    size_t pos_ = 0;
    bool closed_ = false;
};

} // namespace

int main(int argc, char** argv) {
    // "memory": time the reader over a preloaded document; otherwise stream it from the generator and
    // show the peak memory of a run whose input is never held.
    uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    bool preload = argc > 2 && std::strcmp(argv[2], "memory") == 0;
    DumpGenerator generator(megabytes << 20);
    // Preloaded, the whole document is held, so the timing is the reader's alone.
    std::string loaded;
    if (preload) {
        char block[16384];
        while (size_t n = generator.Read(block, sizeof block))
            loaded.append(block, n);
    }
    oxml::TSAXParser parser;
    uint64_t elements = 0, textBytes = 0, attributes = 0;
    parser.OnStartElement = [&](oxml::TSAXParser&, std::string_view, const oxml::TSAXAttributes& a) {
        ++elements;
        attributes += a.Has("name");
    };
    parser.OnCharacters = [&](oxml::TSAXParser&, std::string_view text) { textBytes += text.size(); };
    bool ok = true;
    double seconds = 1e9, cpuSeconds = 1e9;
    for (int round = 0; round < (preload ? 3 : 1); ++round) { // the best of three over a preloaded input
        elements = textBytes = attributes = 0;
        auto start = std::chrono::steady_clock::now();
        std::clock_t cpuStart = std::clock();
        ok = (preload ? parser.ParseBuffer(loaded) : parser.ParseStream(generator)) && ok;
        seconds = std::min(seconds,
                           std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // The machine is shared: processor time shows the reader's own cost when others are busy.
        cpuSeconds = std::min(cpuSeconds, double(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "ok=%d size=%llu MiB time=%.2f s speed=%.0f MB/s cpu=%.2f s cpu_speed=%.0f MB/s elements=%llu "
        "attributes=%llu text=%llu peak_rss=%.1f MiB\n",
        ok, static_cast<unsigned long long>(megabytes), seconds, (megabytes << 20) / seconds / 1e6,
        cpuSeconds, (megabytes << 20) / cpuSeconds / 1e6, static_cast<unsigned long long>(elements),
        static_cast<unsigned long long>(attributes), static_cast<unsigned long long>(textBytes),
        usage.ru_maxrss / 1024.0);
    return ok ? 0 : 1;
}
