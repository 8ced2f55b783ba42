#pragma once
// The progress window of a heap dump: the run's status beside the animation. It is made on first use
// and kept.
#include "ProgressForm.h"

#include <string>

class THeapDumpForm : public TProgressForm {
public:
    explicit THeapDumpForm(ui::TComponent* AOwner);
    std::string ClassName() const override { return "THeapDumpForm"; }

    // Readies the window for a new run (window thread): its caption, the creating text, the run's code.
    void Prepare(const std::string& ACode);
};
