// stage_link_test.cpp -- shared stage links: text -> link -> text reads to the same grid for every tile
// kind, the largest stage and our stages; any other bytes give a message, never a stage or a fault.
#include <gtest/gtest.h>

#include <string.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "world/level.h"
#include "world/stage_link.h"

namespace {

Tilemap gWant;
Tilemap gGot;

std::string Encode(const std::string& text) {
    char link[STAGE_LINK_MAX_CHARS];
    char message[STAGE_LINK_MESSAGE];
    const int32_t length = StageLinkEncode(text.data(), text.size(), link, message);
    EXPECT_GT(length, 0) << message;
    EXPECT_EQ((size_t)length, strlen(link));
    return link;
}

// The decoded text, or "!" and the message.
std::string Decode(const std::string& link) {
    static char text[STAGE_LINK_MAX_TEXT];
    char message[STAGE_LINK_MESSAGE];
    const int32_t length = StageLinkDecode(link.data(), link.size(), text, message);
    if (length == 0) {
        EXPECT_GT(strlen(message), 10u);
        return std::string("!") + message;
    }
    EXPECT_EQ((size_t)length, strlen(text));
    return text;
}

// The link holds the grid the loader reads from the text, and its text is the writer's plain form.
void ExpectRoundTrip(const std::string& text) {
    const std::string decoded = Decode(Encode(text));
    ASSERT_NE(decoded[0], '!') << decoded;
    LevelReadGridText(&gWant, text.data(), text.size());
    LevelReadGridText(&gGot, decoded.data(), decoded.size());
    ASSERT_EQ(gGot.width, gWant.width);
    ASSERT_EQ(gGot.height, gWant.height);
    EXPECT_EQ(memcmp(gGot.tiles, gWant.tiles, sizeof(gWant.tiles)), 0);
    EXPECT_EQ(decoded.size(), (size_t)(gWant.height * (gWant.width + 1)));
    EXPECT_EQ(Encode(decoded), Encode(text));
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_TRUE(file.good()) << path;
    return bytes.str();
}

std::string Link(const std::vector<uint8_t>& payload) {
    char link[STAGE_LINK_MAX_CHARS];
    EXPECT_GT(StageLinkWrite(payload.data(), (int32_t)payload.size(), link), 0);
    return link;
}

TEST(StageLinkTest, EveryTileKindAndTheLoadersOddBytesComeBackAsTheSameGrid) {
    ExpectRoundTrip("#=|4567SEG.\n123xyz\r\n\n..G\n");
    EXPECT_EQ(Decode(Encode("#=|4567SEG.\n123\n")), "#=|4567SEG.\n#=|........\n");
    // A row longer than the loader keeps, more rows than it keeps, no final line feed.
    ExpectRoundTrip(std::string(300, '#') + "\n" + "S.G");
    std::string tall;
    for (int row = 0; row < 40; ++row) {
        tall += std::string((size_t)row + 1, row % 2 ? '=' : 'E') + "\n";
    }
    ExpectRoundTrip(tall);
}

TEST(StageLinkTest, TheLargestStageFitsEvenWithNoRunsToShare) {
    std::mt19937 random(7);
    const std::string kinds = ".#=|4567SEG";
    std::string text;
    for (int row = 0; row < MAP_MAX_ROWS; ++row) {
        for (int col = 0; col < MAP_MAX_COLS; ++col) {
            text += kinds[random() % kinds.size()];
        }
        text += '\n';
    }
    ExpectRoundTrip(text);
    EXPECT_LT(Encode(text).size(), (size_t)STAGE_LINK_MAX_CHARS);
    // Long runs in both directions take the long-run tokens.
    ExpectRoundTrip(std::string(MAP_MAX_COLS, '#') + "\n" + std::string(MAP_MAX_COLS, '#') + "\n");
}

TEST(StageLinkTest, OurStagesMakeShortLinks) {
    const std::filesystem::path root = KALVORO_SOURCE_DIR;
    std::vector<std::filesystem::path> stages = {root / "tools/maptool/map.txt"};
    for (const char* folder : {"tools/maptool/stages", "tools/maptool/lessons"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(root / folder, error)) {
            if (entry.path().extension() == ".txt") {
                stages.push_back(entry.path()); // not the par files beside them
            }
        }
    }
    ASSERT_GE(stages.size(), 7u);
    for (const std::filesystem::path& stage : stages) {
        const std::string text = ReadFile(stage.string());
        ExpectRoundTrip(text);
        EXPECT_LT(Encode(text).size(), text.size() / 4) << stage;
    }
}

TEST(StageLinkTest, NothingToShareSaysSo) {
    char link[STAGE_LINK_MAX_CHARS];
    char message[STAGE_LINK_MESSAGE];
    EXPECT_EQ(StageLinkEncode("\n\n\n", 3, link, message), 0);
    EXPECT_STREQ(link, "");
    EXPECT_NE(strstr(message, "no cells"), nullptr);
    EXPECT_EQ(StageLinkEncode(nullptr, 5, link, message), 0);
}

TEST(StageLinkTest, ForeignOrDamagedLinksGiveAMessage) {
    const std::string good = Encode("..G\n#S#\n");
    EXPECT_NE(Decode("").find("no stage"), std::string::npos);
    EXPECT_NE(Decode("2" + good.substr(1)).find("not one this game"), std::string::npos);
    EXPECT_NE(Decode(good + "=").find("character"), std::string::npos);
    EXPECT_NE(Decode(good.substr(0, 3)).find("cut short"), std::string::npos);
    EXPECT_NE(Decode("1" + std::string(STAGE_LINK_MAX_CHARS, 'A')).find("too long"), std::string::npos);
    // Cut anywhere or with any one character changed: a message or (rarely) another sound stage.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_EQ(Decode(good.substr(0, cut))[0], '!') << cut;
    }
    int changed = 0;
    for (size_t at = 1; at < good.size(); ++at) {
        for (char c : std::string("AQgw_-z9")) {
            std::string bad = good;
            bad[at] = c;
            const std::string decoded = Decode(bad);
            changed += bad != good && decoded[0] != '!';
        }
    }
    EXPECT_LE(changed, 1);
    std::string bytes(good);
    bytes[2] = '\0';
    EXPECT_EQ(Decode(bytes)[0], '!');
}

TEST(StageLinkTest, WellCheckedLinksWithBadCellsGiveAMessage) {
    EXPECT_EQ(Decode(Link({2, 0, 0x02})), "...\n");
    EXPECT_NE(Decode(Link({128, 0, 0x00})).find("larger"), std::string::npos);
    EXPECT_NE(Decode(Link({0, 32, 0x00})).find("larger"), std::string::npos);
    const std::vector<std::vector<uint8_t>> bad =
        {
            {2, 0, 0x01},       // too few cells
            {2, 0, 0x03},       // one too many
            {2, 0, 0xC2},       // a kind no stage has
            {2, 1, 0xB2, 0x05}, // a copy of the row above in the first row
            {2, 0, 0x0F},       // a long run without its length
            {127,  31,  0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255,
             0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255,
             0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255, 0x1F, 255}, // runs past the last cell
        };
    for (const std::vector<uint8_t>& payload : bad) {
        EXPECT_NE(Decode(Link(payload)).find("do not fill"), std::string::npos) << payload.size();
    }
    char link[STAGE_LINK_MAX_CHARS];
    std::vector<uint8_t> huge(STAGE_LINK_MAX_BYTES);
    EXPECT_EQ(StageLinkWrite(huge.data(), (int32_t)huge.size(), link), 0);
}

} // namespace
