#include "common/com/handles.h"

#include <gtest/gtest.h>

namespace {

using namespace zelvo::com;

TEST(Handles, KernelHandleClosesOnReset) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, event);
  DWORD flags = 0;
  {
    KernelHandle owner(event);
    EXPECT_TRUE(GetHandleInformation(event, &flags));
    KernelHandle moved = std::move(owner);
    EXPECT_FALSE(owner);
    EXPECT_TRUE(moved);
  }
  EXPECT_FALSE(GetHandleInformation(event, &flags));
  KernelHandle invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(invalid);
}

TEST(Handles, GdiOwnersDeleteTheirObjects) {
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HFONT font = CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  WindowDc screen(nullptr);
  ASSERT_TRUE(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), 4, 4);
  HDC memory = CreateCompatibleDC(screen.get());
  ASSERT_TRUE(brush && font && bitmap && memory);
  {
    OwnedBrush b(brush);
    OwnedFont f(font);
    OwnedBitmap bm(bitmap);
    OwnedDc dc(memory);
    SelectedObject selected(dc.get(), bm.get());
    EXPECT_EQ(bitmap, GetCurrentObject(dc.get(), OBJ_BITMAP));
  }
  EXPECT_EQ(0u, GetObjectType(brush));
  EXPECT_EQ(0u, GetObjectType(font));
  EXPECT_EQ(0u, GetObjectType(bitmap));
  EXPECT_EQ(0u, GetObjectType(memory));
}

DWORD WINAPI TakeSection(void* section) {
  CritSecLock lock(*static_cast<CriticalSection*>(section));
  return 7;
}

TEST(Handles, CritSecLockIsReentrantAndReleases) {
  CriticalSection cs;
  {
    CritSecLock outer(cs);
    CritSecLock inner(cs);
  }
  // Another thread can take the section once both guards are gone.
  HANDLE thread = CreateThread(nullptr, 0, &TakeSection, &cs, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(7u, code);
}

}  // namespace
