#pragma once
// A list of pictures of one size, for menus, buttons, lists and the tray icon.
#include "ui/Forms.h"

#include <string_view>
#include <vector>

namespace ui {

class TImageList : public TComponent {
public:
    TImageList(TComponent* AOwner, std::string AName, int AWidth = 16, int AHeight = 16);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return static_cast<int>(FImages.size()); }
    const TPicture& Picture(int AIndex) const { return FImages.at(AIndex); }
    // Adds a picture and returns its index.
    int Add(const TPicture& APicture);
    // An icon file's image of the list's size; -1 when the bytes are no readable icon.
    int AddIcon(std::string_view AIconFile);
    // A bitmap file with its bottom-left pixel's colour as the transparent colour; -1 when unreadable.
    int AddMasked(std::string_view ABitmapFile);
    void Replace(int AIndex, const TPicture& APicture);
    void Clear();
    // Bumped by every change, so that peers can tell a stale rendering.
    unsigned Generation() const { return FGeneration; }

private:
    void Touched();

    int FWidth;
    int FHeight;
    std::vector<TPicture> FImages;
    unsigned FGeneration = 0;
};

} // namespace ui
