#include "platform/sim/ServiceStateFile.h"

#include <algorithm>
#include <sstream>

namespace plat::sim {

namespace {

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\0')
            out += "\\0";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == '0' ? '\0' : c;
    }
    return out;
}

std::string FormatStatus(const ServiceStatus& st) {
    std::ostringstream o;
    o << st.ServiceType << ',' << st.CurrentState << ',' << st.ControlsAccepted << ',' << st.Win32ExitCode
      << ',' << st.ServiceSpecificExitCode << ',' << st.CheckPoint << ',' << st.WaitHint << ','
      << st.ProcessId;
    return o.str();
}

bool ParseStatus(const std::string& text, ServiceStatus& st) {
    uint32_t* fields[] = {&st.ServiceType,
                          &st.CurrentState,
                          &st.ControlsAccepted,
                          &st.Win32ExitCode,
                          &st.ServiceSpecificExitCode,
                          &st.CheckPoint,
                          &st.WaitHint,
                          &st.ProcessId};
    std::istringstream in(text);
    for (size_t k = 0; k < std::size(fields); ++k) {
        if (k > 0 && in.get() != ',')
            return false;
        if (!(in >> *fields[k]))
            return false;
    }
    return in.peek() == std::char_traits<char>::eof();
}

std::string FormatScript(const std::deque<ServiceStatus>& script) {
    std::string out;
    for (const auto& st : script) {
        if (!out.empty())
            out += ';';
        out += FormatStatus(st);
    }
    return out;
}

bool ParseScript(const std::string& text, std::deque<ServiceStatus>& script) {
    script.clear();
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ';')) {
        ServiceStatus st;
        if (!ParseStatus(item, st))
            return false;
        script.push_back(st);
    }
    return true;
}

bool ParseNumber(const std::string& text, uint32_t& value) {
    std::istringstream in(text);
    return (in >> value) && in.peek() == std::char_traits<char>::eof();
}

bool ApplyField(ServiceEntry& e, const std::string& key, const std::string& raw) {
    SimService& s = e.Service;
    const std::string value = Unescape(raw);
    if (key == "DisplayName")
        s.DisplayName = value;
    else if (key == "BinaryPathName")
        s.BinaryPathName = value;
    else if (key == "ServiceStartName")
        s.ServiceStartName = value;
    else if (key == "Dependencies")
        s.Dependencies = value;
    else if (key == "StartType")
        return ParseNumber(value, s.StartType);
    else if (key == "State")
        return ParseNumber(value, s.State);
    else if (key == "ProcessId")
        return ParseNumber(value, s.ProcessId);
    else if (key == "StartScript")
        return ParseScript(value, s.StartScript);
    else if (key == "StopScript")
        return ParseScript(value, s.StopScript);
    else if (key == "Pending")
        return ParseScript(value, e.Pending);
    else if (key == "Target")
        return ParseNumber(value, e.Target);
    else if (key == "Last")
        return ParseStatus(value, e.Last);
    else
        return false;
    return true;
}

} // namespace

std::string LowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return s;
}

std::string FormatServiceTable(const ServiceTable& table) {
    std::ostringstream o;
    for (const auto& [key, e] : table) {
        const SimService& s = e.Service;
        o << "[" << Escape(s.Name) << "]\n"
          << "DisplayName=" << Escape(s.DisplayName) << "\n"
          << "BinaryPathName=" << Escape(s.BinaryPathName) << "\n"
          << "ServiceStartName=" << Escape(s.ServiceStartName) << "\n"
          << "Dependencies=" << Escape(s.Dependencies) << "\n"
          << "StartType=" << s.StartType << "\n"
          << "State=" << s.State << "\n"
          << "ProcessId=" << s.ProcessId << "\n"
          << "StartScript=" << FormatScript(s.StartScript) << "\n"
          << "StopScript=" << FormatScript(s.StopScript) << "\n"
          << "Pending=" << FormatScript(e.Pending) << "\n"
          << "Target=" << e.Target << "\n"
          << "Last=" << FormatStatus(e.Last) << "\n\n";
    }
    return o.str();
}

bool ParseServiceTable(const std::string& text, ServiceTable& table) {
    ServiceTable parsed;
    ServiceEntry* current = nullptr;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = Unescape(line.substr(1, line.size() - 2));
            current = &parsed[LowerAscii(name)];
            current->Service.Name = name;
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string::npos)
            return false;
        if (!ApplyField(*current, line.substr(0, eq), line.substr(eq + 1)))
            return false;
    }
    table = std::move(parsed);
    return true;
}

} // namespace plat::sim
