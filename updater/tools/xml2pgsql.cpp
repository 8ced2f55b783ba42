// xml2pgsql INPUT.xml OUTPUT.sql [-tf] [-custom NAME] [-v]
// Converts a MySQL XML dump into the PostgreSQL script the Updater writes, with the same table-list
// rules, and prints a one-line summary. -v also shows the lines the Updater would log.
#include "CommandLine.h"
#include "DataConverterUnit.h"
#include "LoggerUnit.h"
#include "TableListUnit.h"
#include "platform/Platform.h"
#ifdef _WIN32
#include "platform/ComScope.h"
#include "text/TextCodec.h"
#endif

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Inputs above this size get progress lines on standard error.
constexpr uint64_t kProgressThreshold = 64ull << 20;

class TStderrLoggerHandler : public TLoggerHandler {
public:
    explicit TStderrLoggerHandler(int ALevel) : TLoggerHandler(ALevel) { FActive = true; }
    void Notify(const std::string& AMessage) override { std::fprintf(stderr, "%s\n", AMessage.c_str()); }

protected:
    void DoSetActive(bool AValue) override { FActive = AValue; }
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t InputSize(const std::string& path) {
    plat::FindEntry entry;
    return plat::Files().GetAttributes(path, entry) ? entry.Size : 0;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: xml2pgsql INPUT.xml OUTPUT.sql [-tf] [-custom NAME] [-v]\n");
        return 2;
    }
    // Only the parameters after the two file names are switches.
    TParams switches{"xml2pgsql"};
    switches.insert(switches.end(), args.begin() + 2, args.end());
    // The Updater's own log keeps every line at level fine (which table list, which tables were
    // skipped); on the terminal they are noise unless asked for, while warnings and errors always show.
    TStderrLoggerHandler logToStderr(FindCmdLineSwitch(switches, "v") ? logFinest : logSevere);
    const auto start = std::chrono::steady_clock::now();
    try {
        std::unique_ptr<TTableList> tables = LoadTableList(switches);
        TDataConverter converter(args[0], args[1], tables.get());
        if (InputSize(args[0]) >= kProgressThreshold) {
            auto last = start;
            converter.OnProgress = [&last](const TConversionStats& stats) {
                const auto now = std::chrono::steady_clock::now();
                if (now - last < std::chrono::seconds(1))
                    return;
                last = now;
                std::fprintf(stderr, "%llu rows, %llu bytes written\n",
                             static_cast<unsigned long long>(stats.Rows),
                             static_cast<unsigned long long>(stats.BytesWritten));
            };
        }
        converter.Process();
        const TConversionStats& s = converter.Stats();
        std::printf("%d tables exported, %d tables skipped, %llu rows, %llu bytes, %.2f seconds\n",
                    s.TablesExported, s.TablesSkipped, static_cast<unsigned long long>(s.Rows),
                    static_cast<unsigned long long>(s.BytesWritten), SecondsSince(start));
        return 0;
    } catch (const EBaseError& e) {
        std::fprintf(stderr, "xml2pgsql: %s\n", e.Describe().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xml2pgsql: %s\n", e.what());
    }
    return 1;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    plat::ComScope com; // the table lists are read with the document model
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(text::FromWide(argv[i]));
    return Run(args);
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
