#include "ui/Backend.h"

#include <atomic>

namespace ui {

namespace {
std::atomic<IBackend*> gReplacement{nullptr};
}

IBackend& Backend() {
    IBackend* replacement = gReplacement.load();
    return replacement != nullptr ? *replacement : BuildBackend();
}

ScopedBackend::ScopedBackend(IBackend& ABackend) : FSaved(gReplacement.exchange(&ABackend)) {}

ScopedBackend::~ScopedBackend() {
    gReplacement = FSaved;
}

} // namespace ui
