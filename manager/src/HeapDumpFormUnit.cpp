#include "HeapDumpFormUnit.h"

#include "HeapDumpOperations.h"

THeapDumpForm::THeapDumpForm(ui::TComponent* AOwner)
    : TProgressForm(AOwner, "HeapDumpForm", "Create Heap Dump", "Creating heap dump... Please wait.") {}

void THeapDumpForm::Prepare(const std::string& ACode) {
    SetCaption(HeapDumpCaption());
    LabelCaption->SetCaption(CreatingHeapDumpText());
    Guid = ACode;
}
