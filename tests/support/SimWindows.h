#pragma once
// The simulated Windows of one test: services, registry, a manual clock and scripted dialogs, put in
// place of the real ones while it lives.
#include "platform/Platform.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimServices.h"
#include "ui/Dialogs.h"

#include <cstdint>
#include <memory>
#include <string>

namespace testsupport {

class SimWindows {
public:
    SimWindows()
        : Services(std::make_shared<plat::sim::SimServiceManager>()),
          Registry(std::make_shared<plat::sim::SimRegistry>()),
          Clock(std::make_shared<plat::sim::ManualClock>()),
          Dialogs(std::make_shared<ui::TScriptedDialogs>()), override_(Parts()), dialogs_(Dialogs) {}

    void AddService(const std::string& name, uint32_t state) {
        plat::sim::SimService s;
        s.Name = name;
        s.DisplayName = name;
        s.State = state;
        Services->AddService(s);
    }
    uint32_t StateOf(const std::string& name) { return Services->Find(name)->State; }

    std::shared_ptr<plat::sim::SimServiceManager> Services;
    std::shared_ptr<plat::sim::SimRegistry> Registry;
    std::shared_ptr<plat::sim::ManualClock> Clock;
    std::shared_ptr<ui::TScriptedDialogs> Dialogs;

private:
    plat::Platform Parts() const {
        plat::Platform p;
        p.Services = Services;
        p.Registry = Registry;
        p.Clock = Clock;
        return p;
    }
    plat::ScopedOverride override_;
    ui::ScopedDialogs dialogs_;
};

} // namespace testsupport
