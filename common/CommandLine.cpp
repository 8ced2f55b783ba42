#include "CommandLine.h"

#include "text/SameText.h"

#include <mutex>

namespace {

bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsSwitchChar(char c) {
    return c == '-' || c == '/';
}

struct ParamsStore {
    std::mutex Lock;
    TParams Params;
};

ParamsStore& Store() {
    static ParamsStore store;
    return store;
}

} // namespace

TParams ParseCommandLine(std::string_view ACommandLine) {
    TParams params;
    size_t i = 0;
    const size_t n = ACommandLine.size();
    for (;;) {
        while (i < n && IsSeparator(ACommandLine[i])) {
            ++i;
        }
        if (i >= n) {
            return params;
        }
        std::string param;
        bool quoted = false;
        for (; i < n && (quoted || !IsSeparator(ACommandLine[i])); ++i) {
            if (ACommandLine[i] == '"') {
                quoted = !quoted;
            } else {
                param += ACommandLine[i];
            }
        }
        params.push_back(std::move(param));
    }
}

void SetCommandLineParams(TParams AParams) {
    std::lock_guard<std::mutex> guard(Store().Lock);
    Store().Params = std::move(AParams);
}

const TParams& CommandLineParams() {
    return Store().Params;
}

int ParamCount() {
    const TParams& params = CommandLineParams();
    return params.empty() ? 0 : static_cast<int>(params.size()) - 1;
}

std::string ParamStr(int AIndex) {
    const TParams& params = CommandLineParams();
    return AIndex >= 0 && static_cast<size_t>(AIndex) < params.size() ? params[AIndex] : std::string();
}

bool FindCmdLineSwitch(const TParams& AParams, std::string_view ASwitch) {
    for (size_t i = 1; i < AParams.size(); ++i) {
        const std::string& p = AParams[i];
        if (!p.empty() && IsSwitchChar(p[0]) && text::SameText(std::string_view(p).substr(1), ASwitch)) {
            return true;
        }
    }
    return false;
}

bool FindCmdLineSwitch(std::string_view ASwitch) {
    return FindCmdLineSwitch(CommandLineParams(), ASwitch);
}

std::optional<std::string> FindCmdLineSwitchValue(const TParams& AParams, std::string_view ASwitch) {
    for (size_t i = 1; i < AParams.size(); ++i) {
        std::string_view p = AParams[i];
        if (p.size() < ASwitch.size() + 1 || !IsSwitchChar(p[0]) ||
            !text::SameText(p.substr(1, ASwitch.size()), ASwitch)) {
            continue;
        }
        std::string_view rest = p.substr(ASwitch.size() + 1);
        if (!rest.empty()) {
            return std::string(rest[0] == ':' ? rest.substr(1) : rest);
        }
        if (i + 1 < AParams.size() && !AParams[i + 1].empty() && !IsSwitchChar(AParams[i + 1][0])) {
            return AParams[i + 1];
        }
        return std::string();
    }
    return std::nullopt;
}

std::optional<std::string> FindCmdLineSwitchValue(std::string_view ASwitch) {
    return FindCmdLineSwitchValue(CommandLineParams(), ASwitch);
}
