// The plug-in's dialog, headless, in a substitute host session: created from the plug-in's own
// resource script with mainDialogProc, working on pluginState, with no message box shown yet.
#pragma once

#include "dialog/procedure.h"
#include "dialog/values.h"
#include "headless/desktop.h"
#include "resource/resource_script.h"
#include "support/test_host.h"

#include <string>
#include <vector>

class DialogTest : public HostTest {
  protected:
    HeadlessDialog dialog;

    void SetUp() override {
        HostTest::SetUp();
        dialogValues = DialogValues{};
        dialogValues.dialogState = &pluginState;
        createDialog(dialog, mainDialogTemplate(), mainDialogProc, hostWindowHandle());
        session.desktop.dialog = &dialog.window;
    }
    void TearDown() override {
        session.desktop.dialog = nullptr;
        dialogValues = DialogValues{};
        HostTest::TearDown();
    }

    HWND handle() { return &dialog.window; }

    // Optimized systems 1..systems, one measure each, every one holding staves 1..3, which are
    // also the global staff list.
    void addOptimizedScore(int16_t systems) {
        addList(0, {1, 2, 3});
        for (int16_t n = 1; n <= systems; ++n) {
            addSystem(n, n, static_cast<int16_t>(n + 1), true);
            addList(n, {1, 2, 3});
        }
    }

    // The first control with this ID, as the dialog's procedure reaches it.
    HeadlessControl& control(int id) {
        int index = findControlById(dialog, id);
        EXPECT_GE(index, 0) << "no control " << id;
        return dialog.controls[static_cast<size_t>(index < 0 ? 0 : index)];
    }

    // The positions selected in a list box, in order.
    std::vector<int> selectedPositions(int id) {
        std::vector<int> positions;
        const HeadlessControl& list = control(id);
        for (size_t i = 0; i < list.itemSelected.size(); ++i)
            if (list.itemSelected[i])
                positions.push_back(static_cast<int>(i));
        return positions;
    }

    // The texts of the message boxes shown so far, in order.
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const MessageEvent& message : session.desktop.messages)
            texts.push_back(message.text);
        return texts;
    }
};
