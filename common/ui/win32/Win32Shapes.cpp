#include "ui/win32/Win32Shapes.h"

#include "ui/ExtCtrls.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32WindowPeer.h"

namespace ui::win32 {

namespace {

RECT ScaledBounds(const TControl& AControl) {
    return {Scale(AControl.Left()), Scale(AControl.Top()), Scale(AControl.Left() + AControl.Width()),
            Scale(AControl.Top() + AControl.Height())};
}

// The shape's rendering is the part of its parent's background it covers: a change repaints the part
// it covered and the part it covers now.
class ShapePeer : public IControlPeer {
public:
    explicit ShapePeer(TShape& shape) : FShape(shape), FParent(WindowOf(shape.Parent())) { Changed(); }
    ~ShapePeer() override { Invalidate(); }

    void Changed() override {
        Invalidate();
        FPainted = ScaledBounds(FShape);
        Invalidate();
    }

    void Invalidate() override {
        if (IsWindow(FParent)) {
            InvalidateRect(FParent, &FPainted, TRUE);
        }
    }

private:
    TShape& FShape;
    HWND FParent;
    RECT FPainted{};
};

} // namespace

void PaintShapes(HDC ADC, const TControl& AContainer) {
    for (TControl* child : AContainer.Children()) {
        auto* shape = dynamic_cast<TShape*>(child);
        if (shape == nullptr || !shape->Visible()) {
            continue;
        }
        RECT r = ScaledBounds(*shape);
        FillRect(ADC, &r, BrushFor(shape->BrushColor(), COLOR_WINDOW));
        if (shape->PenStyle() == TPenStyle::psSolid) {
            FrameRect(ADC, &r, BrushFor(shape->PenColor(), COLOR_WINDOWTEXT));
        }
    }
}

std::unique_ptr<IControlPeer> NewShapePeer(TShape& AControl) {
    return std::make_unique<ShapePeer>(AControl);
}

} // namespace ui::win32
