// The Win32 stand-in: message boxes, wsprintfA and the heap.
#include "headless/desktop.h"
#include "headless/heap.h"
#include "session/host_session.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Win32CallsTest : public ::testing::Test {
  protected:
    HostSession session;
    void SetUp() override { activeHost = &session; }
    void TearDown() override { activeHost = nullptr; }
};

TEST_F(Win32CallsTest, MessageBoxesTakeTheQueuedAnswers) {
    HeadlessDialog dialog;
    createDialog(dialog, mainDialogTemplate(), nullptr, hostWindowHandle());
    session.desktop.dialog = &dialog.window;
    session.desktop.answers = {"yes"};
    const UINT question = MB_YESNO | MB_ICONQUESTION;
    EXPECT_EQ(MessageBoxA(&dialog.window, "Continue?", "Conflict", question), IDYES);
    EXPECT_EQ(MessageBoxA(&dialog.window, "Again?", "Conflict", question), IDNO)
        << "no answer left: no";
    EXPECT_EQ(MessageBoxA(hostWindowHandle(), "Broken.", "Error", MB_OK | MB_ICONHAND), IDOK);
    EXPECT_EQ(MessageBoxA(&dialog.controls[2].window, "x", nullptr, MB_OK), IDOK);
    ASSERT_EQ(session.desktop.messages.size(), 4u);
    const MessageEvent& first = session.desktop.messages[0];
    EXPECT_EQ(first.owner, "dialog");
    EXPECT_EQ(first.caption, "Conflict");
    EXPECT_EQ(first.text, "Continue?");
    EXPECT_EQ(first.style, 0x24u);
    EXPECT_EQ(first.answer, "yes");
    EXPECT_EQ(session.desktop.messages[1].answer, "no");
    EXPECT_EQ(session.desktop.messages[2].owner, "host");
    EXPECT_EQ(session.desktop.messages[2].answer, "ok");
    EXPECT_EQ(session.desktop.messages[3].owner, "other");
    EXPECT_EQ(session.desktop.messages[3].caption, "Error") << "Win32's caption when none is given";
}

TEST_F(Win32CallsTest, WsprintfFormatsAsWin32) {
    char buffer[1100];
    EXPECT_EQ(wsprintfA(buffer, "Staff Set #%d", 5), 12);
    EXPECT_STREQ(buffer, "Staff Set #5");
    wsprintfA(buffer, "Distance must be between %d and %d EVPUs.", -500, 500);
    EXPECT_STREQ(buffer, "Distance must be between -500 and 500 EVPUs.");
    wsprintfA(buffer, "[%5d|%-4d|%05d|%.3d|%ld]", -42, 7, -42, 5, 123456789);
    EXPECT_STREQ(buffer, "[  -42|7   |-0042|005|123456789]");
    wsprintfA(buffer, "%u %x %#X %hd %c%s %.2s %s 100%%", 4294967295u, 255u, 255u, 65535, 'A', "bc",
              "xyz", static_cast<const char*>(nullptr));
    EXPECT_STREQ(buffer, "4294967295 ff 0XFF -1 Abc xy (null) 100%");

    SCOPED_TRACE("at most 1023 characters and the terminating zero");
    std::string longText(2000, 'a');
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
    EXPECT_EQ(buffer[1022], 'a');
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], 'z');
    EXPECT_EQ(wsprintfA(buffer, "%999999999d", 1), 1023);
}

TEST_F(Win32CallsTest, HeapBlocksMisusesAndFailures) {
    PluginHeap& pluginHeap = session.heap;
    auto* block = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, 4));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[3], unwrittenHeapByte) << "unwritten bytes never read as zero";
    auto* zeroed = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 4));
    EXPECT_EQ(zeroed[3], 0) << "HEAP_ZERO_MEMORY";
    EXPECT_EQ(describeHeapBlocks(pluginHeap), "4 bytes, 4 bytes");
    EXPECT_TRUE(pluginHeap.misuses.empty());

    SCOPED_TRACE("misuses are noted, and a block freed twice is not freed again");
    HeapFree(GetProcessHeap(), 0, zeroed);
    EXPECT_EQ(HeapFree(GetProcessHeap(), 0, zeroed), FALSE);
    HeapFree(GetProcessHeap(), 0x01, block);
    HeapFree(GetProcessHeap(), 0, HeapAlloc(GetProcessHeap(), 0x01, 2));
    EXPECT_EQ(pluginHeap.misuses.size(), 3u);

    SCOPED_TRACE("failures: the k-th, every one, one too large");
    pluginHeap = PluginHeap();
    pluginHeap.failAt = 2;
    void* first = HeapAlloc(GetProcessHeap(), 0, 1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 1), nullptr);
    EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, largestHeapBlock + 1), nullptr);
    pluginHeap.failEvery = true;
    EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, 1), nullptr);
    HeapFree(GetProcessHeap(), 0, first);
    EXPECT_TRUE(pluginHeap.blocks.empty());
}

} // namespace
