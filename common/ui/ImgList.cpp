#include "ui/ImgList.h"

namespace ui {

namespace {

// Every picture of a list has the list's size; a picture of another size is scaled to it (nearest
// pixel), as a replacement file of the wrong size still has to show something recognisable.
TPicture Fitted(const TPicture& APicture, int AWidth, int AHeight) {
    if (APicture.Width == AWidth && APicture.Height == AHeight) {
        return APicture;
    }
    TPicture fitted;
    fitted.Width = AWidth;
    fitted.Height = AHeight;
    fitted.Pixels.resize(static_cast<size_t>(AWidth) * AHeight);
    if (APicture.Empty()) {
        return fitted;
    }
    for (int y = 0; y < AHeight; ++y) {
        int sy = y * APicture.Height / AHeight;
        for (int x = 0; x < AWidth; ++x) {
            fitted.Pixels[static_cast<size_t>(y) * AWidth + x] =
                APicture.Pixel(x * APicture.Width / AWidth, sy);
        }
    }
    return fitted;
}

} // namespace

TImageList::TImageList(TComponent* AOwner, std::string AName, int AWidth, int AHeight)
    : TComponent(AOwner, std::move(AName)), FWidth(AWidth > 0 ? AWidth : 16),
      FHeight(AHeight > 0 ? AHeight : 16) {}

int TImageList::Add(const TPicture& APicture) {
    FImages.push_back(Fitted(APicture, FWidth, FHeight));
    Touched();
    return Count() - 1;
}

int TImageList::AddIcon(std::string_view AIconFile) {
    std::optional<TPicture> icon = DecodeIcon(AIconFile, FWidth);
    return icon ? Add(*icon) : -1;
}

int TImageList::AddMasked(std::string_view ABitmapFile) {
    std::optional<TPicture> bitmap = DecodeBitmap(ABitmapFile, TTransparency::BottomLeft);
    if (!bitmap) {
        return -1;
    }
    // A strip of pictures of the list's size side by side adds each of them.
    if (bitmap->Height == FHeight && bitmap->Width > FWidth && bitmap->Width % FWidth == 0) {
        int first = Count();
        for (int x = 0; x < bitmap->Width; x += FWidth) {
            FImages.push_back(bitmap->Slice(x, FWidth));
        }
        Touched();
        return first;
    }
    return Add(*bitmap);
}

void TImageList::Replace(int AIndex, const TPicture& APicture) {
    if (AIndex < 0 || AIndex >= Count()) {
        throw EListError("Image index out of bounds (" + std::to_string(AIndex) + ")");
    }
    FImages[static_cast<size_t>(AIndex)] = Fitted(APicture, FWidth, FHeight);
    Touched();
}

void TImageList::Clear() {
    FImages.clear();
    Touched();
}

void TImageList::Touched() {
    ++FGeneration;
}

} // namespace ui
