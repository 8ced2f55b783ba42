#pragma once
// The text form of the simulated services, as kept in the state file that processes share.
#include "platform/sim/SimServices.h"

#include <map>
#include <string>

namespace plat::sim {

// What the manager keeps per service besides its description: the transition in progress.
struct ServiceEntry {
    SimService Service;
    std::deque<ServiceStatus> Pending; // scripted statuses still to report
    uint32_t Target = 0;               // the state a transition settles in; 0 when none runs
    ServiceStatus Last;                // the status reported last
};

// Keyed by the lower-case service name.
using ServiceTable = std::map<std::string, ServiceEntry>;

std::string FormatServiceTable(const ServiceTable& table);
// Fills table with what text holds; false (and table untouched) when the text is malformed.
bool ParseServiceTable(const std::string& text, ServiceTable& table);

std::string LowerAscii(std::string s);

} // namespace plat::sim
