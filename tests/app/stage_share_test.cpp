// stage_share_test.cpp -- stages handed over as a file or a link (the page's way): checked before they
// replace the kept one, played or edited as StageOpen decides; the stage read back as text and link.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include "app/editor.h"
#include "app/main.h"
#include "app/stage_share.h"
#include "backends/headless/headless.h"

namespace {

void Write(const char* path, const char* text) {
    FILE* f = fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    fputs(text, f);
    fclose(f);
}

int32_t NextStageWidth() {
    static Tilemap map;
    LevelLoadTestStage(&map);
    return map.width;
}

class StageShare : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;
    LevelStageSource kept = {};
    char message[STAGE_SHARE_MESSAGE_SIZE] = "";
    char text[STAGE_SHARE_TEXT_SIZE] = "";
    char link[STAGE_SHARE_LINK_SIZE] = "";
    void SetUp() override {
        LevelGetStageSource(&kept);
        window = HeadlessOpenWindow(320, 200);
        MainStartup(window);
    }
    void TearDown() override {
        EditorClose();
        MainShutdown();
        LevelSetStageSource(&kept);
        remove("share_in.txt");
        remove("share_keep.txt");
    }
};

TEST_F(StageShare, AFileIsCheckedBeforeItReplacesTheKeptStageThenPlaysAndReadsBack) {
    Write("share_in.txt", "S   G\n#####\n");
    EXPECT_EQ(StageShareTake(window, "share_in.txt", "share_keep.txt", message), STAGE_OPEN_PLAYS);
    EXPECT_EQ(NextStageWidth(), 5);
    EXPECT_EQ(fopen("share_in.txt", "rb"), nullptr); // moved into place
    // No stage: refused, the kept file and the stage in play untouched.
    Write("share_in.txt", "\n\n");
    EXPECT_EQ(StageShareTake(window, "share_in.txt", "share_keep.txt", message), STAGE_OPEN_REFUSED);
    EXPECT_NE(strstr(message, "holds no stage"), nullptr) << message;
    EXPECT_EQ(NextStageWidth(), 5);
    EXPECT_EQ(StageShareText(text, message), strlen("S...G\n#####\n"));
    EXPECT_STREQ(text, "S...G\n#####\n");
    // Through a link and back: the same stage; a broken link changes nothing.
    ASSERT_GT(StageShareLink(link, message), 0) << message;
    EXPECT_EQ(StageShareOpenLink(window, "1!!", "share_in.txt", "share_keep.txt", message),
              STAGE_OPEN_REFUSED);
    EXPECT_NE(message[0], '\0');
    EXPECT_EQ(StageShareOpenLink(window, link, "share_in.txt", "share_keep.txt", message), STAGE_OPEN_PLAYS);
    char again[STAGE_SHARE_TEXT_SIZE];
    StageShareText(again, message);
    EXPECT_STREQ(again, text);
    // The built-in stage has no text to share.
    LevelSetStagePath("");
    EXPECT_EQ(StageShareText(text, message), 0u);
    EXPECT_EQ(StageShareLink(link, message), 0);
    EXPECT_NE(strstr(message, "built-in"), nullptr) << message;
}

TEST_F(StageShare, TheEditorTakesAFileAndItsStageIsHandedOutOncePerChange) {
    MainStartEditor(window, nullptr);
    const char* first = StageShareEditedText();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(StageShareEditedText(), nullptr);
    Write("share_in.txt", "S   G\n#####\n");
    EXPECT_EQ(StageShareTake(window, "share_in.txt", "share_keep.txt", message), STAGE_OPEN_EDITS);
    EXPECT_EQ(EditorGetGrid()->width, 5);
    const char* edited = StageShareEditedText();
    ASSERT_NE(edited, nullptr);
    EXPECT_STREQ(edited, "S...G\n#####\n");
    EXPECT_EQ(StageShareEditedText(), nullptr);
    EXPECT_EQ(fopen("share_keep.txt", "rb"), nullptr); // the editor's, not the page's kept stage
}

} // namespace
