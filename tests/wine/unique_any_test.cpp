// Ownership rules of the handle owners, on real handles: who closes, when, and how often.
#include "platform/win32/UniqueAny.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using namespace plat::win;

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

HANDLE NewEvent() {
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// A second handle of the same event, so that closing one can be told apart from closing the other.
HANDLE Duplicate(HANDLE h) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

// Kernel handles whose closes are counted.
struct counted_traits : kernel_handle_traits {
    static inline int closes = 0;
    static void close(type h) noexcept {
        ++closes;
        ::CloseHandle(h);
    }
};
using counted_handle = unique_any<counted_traits>;

class UniqueHandle : public testing::Test {
protected:
    void SetUp() override { counted_traits::closes = 0; }
};

TEST_F(UniqueHandle, MovedFromOwnerClosesNothingAndTheNewOwnerClosesOnce) {
    HANDLE raw = NewEvent();
    counted_handle first(raw);
    {
        counted_handle second(std::move(first));
        EXPECT_FALSE(first);
        first.reset();
        counted_handle third;
        third = std::move(second);
        EXPECT_TRUE(IsOpen(raw));
        EXPECT_EQ(counted_traits::closes, 0);
    }
    EXPECT_FALSE(IsOpen(raw));
    EXPECT_EQ(counted_traits::closes, 1);
}

TEST_F(UniqueHandle, ResetAndPutCloseTheOldHandleExactlyOnce) {
    unique_handle event(NewEvent());
    HANDLE old = Duplicate(event.get());
    counted_handle owner(old);

    owner.reset(owner.get()); // handing in the owned handle again keeps it open
    EXPECT_TRUE(IsOpen(old));
    EXPECT_EQ(counted_traits::closes, 0);

    HANDLE next = Duplicate(event.get());
    owner.reset(next);
    EXPECT_FALSE(IsOpen(old));
    EXPECT_TRUE(IsOpen(next));
    EXPECT_EQ(counted_traits::closes, 1);

    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event.get(), GetCurrentProcess(), owner.put(), 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_FALSE(IsOpen(next));
    EXPECT_TRUE(IsOpen(owner.get()));
    EXPECT_EQ(counted_traits::closes, 2);
    EXPECT_TRUE(IsOpen(event.get()));
}

TEST_F(UniqueHandle, ReleaseHandsTheHandleOver) {
    HANDLE raw = NewEvent();
    HANDLE released = nullptr;
    {
        counted_handle owner(raw);
        released = owner.release();
        EXPECT_FALSE(owner);
    }
    EXPECT_EQ(released, raw);
    EXPECT_TRUE(IsOpen(raw));
    EXPECT_EQ(counted_traits::closes, 0);
    CloseHandle(raw);
}

TEST(UniqueHandleValidity, BothFailureValuesOfKernelCallsAreEmpty) {
    unique_handle file(CreateFileW(L"C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(file);
    EXPECT_FALSE(unique_handle(OpenEventW(SYNCHRONIZE, FALSE, L"no such event of the owner test")));
    WIN32_FIND_DATAW data{};
    EXPECT_FALSE(unique_find(FindFirstFileW(L"C:\\no such folder\\*", &data)));
    EXPECT_FALSE(unique_find());
}

TEST(SelectObjectGuard, PutsThePreviousObjectBackSoTheSelectedOneCanBeDeleted) {
    unique_hdc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    unique_gdi<HBITMAP> bitmap(CreateCompatibleBitmap(dc.get(), 8, 8));
    ASSERT_TRUE(bitmap);
    HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
        select_object_guard selected(dc.get(), bitmap.get());
        ASSERT_TRUE(selected);
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), before);
    EXPECT_TRUE(DeleteObject(bitmap.release()));
}

} // namespace
